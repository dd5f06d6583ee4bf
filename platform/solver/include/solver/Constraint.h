#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace solver {

// A quantity the solver finds a value for. A variable is a plain handle:
// every default-constructed one is new, copies are the same variable, and
// its value lives in the solver that holds it.
class Variable {
public:
    Variable();
    // A placeholder that stands for no variable, for storage filled later.
    explicit Variable(std::nullptr_t)
        : id_(0)
    {
    }

    std::uint64_t id() const { return id_; }
    bool sameAs(Variable other) const { return id_ == other.id_; }

private:
    std::uint64_t id_;
};

struct Term {
    Variable variable;
    double coefficient = 1;
};

// A sum of terms and a constant. Built with the operators below, so that
// constraints read as equations: `x + 2 * y == 10`.
class Expression {
public:
    Expression(double constant = 0)
        : constant_(constant)
    {
    }
    Expression(Variable variable)
        : terms_{{variable, 1}}
    {
    }
    Expression(Term term)
        : terms_{term}
    {
    }

    const std::vector<Term>& terms() const { return terms_; }
    double constant() const { return constant_; }

    Expression& operator+=(const Expression& other);
    Expression& operator-=(const Expression& other);
    Expression& operator*=(double factor);

private:
    std::vector<Term> terms_;
    double constant_ = 0;
};

Expression operator+(Expression a, const Expression& b);
Expression operator-(Expression a, const Expression& b);
Expression operator-(Expression a);
Expression operator*(Expression a, double factor);
Expression operator*(double factor, Expression a);
Expression operator/(Expression a, double divisor);

// How the expression of a constraint compares with zero.
enum class Relation { LessOrEqual, Equal, GreaterOrEqual };

// Strengths. A required constraint holds exactly or is refused; every other
// strength is a positive weight: the solver minimises the sum of each
// non-required constraint's error times its weight.
namespace strength {
inline constexpr double required = std::numeric_limits<double>::infinity();
inline constexpr double strong = 1e6;
inline constexpr double medium = 1e3;
inline constexpr double weak = 1;
}  // namespace strength

// An immutable relation `expression <relation> 0` with a strength. A
// constraint is a handle: copies are the same constraint, and a solver knows
// it by that identity. Terms of the same variable are combined on creation.
class Constraint {
public:
    // No constraint; a solver refuses it.
    Constraint() = default;
    Constraint(const Expression& expression, Relation relation, double strength = strength::required);

    explicit operator bool() const { return data_ != nullptr; }
    const Expression& expression() const { return data_->expression; }
    Relation relation() const { return data_->relation; }
    double strength() const { return data_->strength; }
    bool isRequired() const { return data_->strength == strength::required; }

    // A new constraint, of the same relation, with another strength.
    Constraint withStrength(double strength) const;

    friend bool operator==(const Constraint& a, const Constraint& b) { return a.data_ == b.data_; }
    const void* identity() const { return data_.get(); }

private:
    struct Data {
        Expression expression;
        Relation relation;
        double strength;
    };
    std::shared_ptr<const Data> data_;
};

// lhs <relation> rhs, as lhs - rhs <relation> 0, required.
Constraint operator==(const Expression& lhs, const Expression& rhs);
Constraint operator<=(const Expression& lhs, const Expression& rhs);
Constraint operator>=(const Expression& lhs, const Expression& rhs);

}  // namespace solver

template <> struct std::hash<solver::Constraint> {
    std::size_t operator()(const solver::Constraint& c) const noexcept
    {
        return std::hash<const void*>()(c.identity());
    }
};

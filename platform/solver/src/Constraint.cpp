#include "solver/Constraint.h"

#include <algorithm>
#include <atomic>

namespace solver {

namespace {

std::atomic<std::uint64_t> nextVariable{1};

// One term per variable, in a stable order, without the ones that cancel.
Expression combined(const Expression& expression)
{
    std::vector<Term> terms = expression.terms();
    std::stable_sort(terms.begin(), terms.end(),
                     [](const Term& a, const Term& b) { return a.variable.id() < b.variable.id(); });
    Expression result(expression.constant());
    for (std::size_t i = 0; i < terms.size();) {
        double coefficient = 0;
        std::size_t j = i;
        for (; j < terms.size() && terms[j].variable.sameAs(terms[i].variable); ++j)
            coefficient += terms[j].coefficient;
        if (coefficient != 0)
            result += Term{terms[i].variable, coefficient};
        i = j;
    }
    return result;
}

}  // namespace

Variable::Variable()
    : id_(nextVariable.fetch_add(1, std::memory_order_relaxed))
{
}

Expression& Expression::operator+=(const Expression& other)
{
    terms_.insert(terms_.end(), other.terms_.begin(), other.terms_.end());
    constant_ += other.constant_;
    return *this;
}

Expression& Expression::operator-=(const Expression& other)
{
    for (const Term& term : other.terms_)
        terms_.push_back({term.variable, -term.coefficient});
    constant_ -= other.constant_;
    return *this;
}

Expression& Expression::operator*=(double factor)
{
    for (Term& term : terms_)
        term.coefficient *= factor;
    constant_ *= factor;
    return *this;
}

Expression operator+(Expression a, const Expression& b)
{
    return a += b;
}

Expression operator-(Expression a, const Expression& b)
{
    return a -= b;
}

Expression operator-(Expression a)
{
    return a *= -1;
}

Expression operator*(Expression a, double factor)
{
    return a *= factor;
}

Expression operator*(double factor, Expression a)
{
    return a *= factor;
}

Expression operator/(Expression a, double divisor)
{
    return a *= 1.0 / divisor;
}

Constraint::Constraint(const Expression& expression, Relation relation, double strength)
    : data_(std::make_shared<const Data>(Data{combined(expression), relation, strength}))
{
}

Constraint Constraint::withStrength(double strength) const
{
    Constraint copy;
    if (data_)
        copy.data_ = std::make_shared<const Data>(Data{data_->expression, data_->relation, strength});
    return copy;
}

Constraint operator==(const Expression& lhs, const Expression& rhs)
{
    return Constraint(lhs - rhs, Relation::Equal);
}

Constraint operator<=(const Expression& lhs, const Expression& rhs)
{
    return Constraint(lhs - rhs, Relation::LessOrEqual);
}

Constraint operator>=(const Expression& lhs, const Expression& rhs)
{
    return Constraint(lhs - rhs, Relation::GreaterOrEqual);
}

}  // namespace solver

#pragma once

#include "solver/Constraint.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace solver {

enum class Error {
    None,
    // The constraint is held already.
    DuplicateConstraint,
    // The constraint is not held (or is no constraint at all).
    UnknownConstraint,
    // A required constraint that can't hold together with the required
    // constraints held; nothing was added.
    UnsatisfiableConstraint,
    DuplicateEditVariable,
    UnknownEditVariable,
    // Not a positive weight, or required where only a weight will do.
    InvalidStrength,
    // A coefficient, constant or suggested value that is not a finite number.
    InvalidValue,
    // The simplex gave up (an unbounded objective or no progress in many
    // steps): the change is made but the values may not be the best ones.
    NumericalFailure,
};

const char* describe(Error error);

// What a change of the solver came to. An unsatisfiable constraint comes
// with the constraints that together rule it out: the refused one first,
// then the required constraints held that it conflicts with.
class Status {
public:
    Status() = default;
    explicit Status(Error error, std::vector<Constraint> conflicts = {})
        : error_(error)
        , conflicts_(std::move(conflicts))
    {
    }

    bool ok() const { return error_ == Error::None; }
    explicit operator bool() const { return ok(); }
    Error error() const { return error_; }
    const std::vector<Constraint>& conflicts() const { return conflicts_; }

private:
    Error error_ = Error::None;
    std::vector<Constraint> conflicts_;
};

// An incremental linear constraint solver: the Cassowary algorithm, a
// simplex tableau kept optimal across changes. Required constraints hold
// exactly; among the solutions that satisfy them, the values minimise the
// weighted errors of the other constraints. Adding or removing a constraint
// re-optimises from the current tableau with the primal simplex; suggesting
// a value for an edit variable repairs it with the dual simplex.
//
// Values are ready after every change. A variable the solver doesn't hold,
// or whose value no constraint decides, reads 0.
//
// Bad requests are answered with an error Status and leave the solver as
// it was. One solver belongs to one thread at a time.
class Solver {
public:
    Solver();
    ~Solver();
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;

    Status addConstraint(const Constraint& constraint);
    Status removeConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;
    std::size_t constraintCount() const { return constraints_.size(); }

    // An edit variable is held near the last suggested value by a
    // constraint of the given strength, which must not be required; it
    // starts at the variable's current value.
    Status addEditVariable(Variable variable, double strength);
    Status removeEditVariable(Variable variable);
    bool hasEditVariable(Variable variable) const;
    Status suggestValue(Variable variable, double value);

    double value(Variable variable) const;

    // With tracking on, the solver notes the variables whose values may
    // have changed (ids, possibly more than once) until they are taken:
    // what a caller that mirrors the values needs to look at again.
    void setTracksChanges(bool tracks);
    std::vector<std::uint64_t> takeChangedVariables();

    // Forgets every constraint, edit variable and value.
    void reset();

private:
    enum class Kind : std::uint8_t { Invalid, External, Slack, Error, Dummy };
    struct Symbol {
        std::uint32_t id = 0;
        Kind kind = Kind::Invalid;
        bool valid() const { return kind != Kind::Invalid; }
        // Slack and error symbols are the ones the simplex pivots on; they
        // never go below zero.
        bool pivotable() const { return kind == Kind::Slack || kind == Kind::Error; }
        bool restricted() const { return kind != Kind::External; }
        // A dummy stands for a required equality and must stay zero, also
        // when it has become basic (as an equality implied by others does).
        bool fixed() const { return kind == Kind::Dummy; }
    };
    class Row;
    struct BasicRow;
    // The symbols a constraint brought into the tableau: its marker (a slack,
    // error or dummy that appears in nothing else) and, for non-required
    // constraints, a second error symbol.
    struct Tag {
        Symbol marker;
        Symbol other;
    };
    struct HeldConstraint {
        Constraint constraint;
        Tag tag;
    };
    struct HeldVariable {
        Symbol symbol;
        std::uint32_t uses = 0;
    };
    struct Edit {
        Constraint constraint;
        double constant = 0;
    };

    Symbol newSymbol(Kind kind);
    Symbol symbolFor(Variable variable);
    Row createRow(const Constraint& constraint, Tag& tag);
    static Symbol chooseSubject(const Row& row, const Tag& tag);
    bool addWithArtificialVariable(const Row& row, const Constraint& constraint, std::vector<Constraint>& conflicts);
    Status optimize(Row& objective);
    Symbol enteringSymbol(const Row& objective);
    Status dualOptimize();
    Status reoptimize();
    void pivot(std::size_t rowIndex, Symbol entering);
    void substitute(Symbol symbol, const Row& row);
    void noteIfInfeasible(const BasicRow& basicRow);
    std::optional<std::size_t> markerLeavingRow(Symbol marker) const;
    void removeErrorFromObjective(Symbol error, double strength);
    void releaseVariables(const Constraint& constraint);
    void dropUnusedVariables(const Constraint& constraint);

    std::optional<std::size_t> rowOf(Symbol symbol) const;
    void addRow(Symbol basic, Row row);
    Row takeRow(std::size_t index);
    // Removes a symbol from every row (a variable gone, an artificial done).
    void eraseColumn(Symbol symbol);
    // The basic symbols of the rows that hold a symbol.
    const std::vector<std::uint32_t>& column(Symbol symbol) const;
    void link(Symbol symbol, std::uint32_t basic);
    void noteChanged(Symbol basic);
    void unlink(Symbol symbol, std::uint32_t basic);

    std::vector<BasicRow> rows_;
    std::unordered_map<std::uint32_t, std::size_t> rowIndex_;
    // Symbol id -> the basic symbols of the rows it appears in: changes touch
    // those rows only, not the whole tableau.
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> columns_;
    std::unique_ptr<Row> objective_;
    // The phase-one objective while a constraint is added through an
    // artificial variable.
    std::unique_ptr<Row> artificial_;
    std::vector<Symbol> infeasible_;
    // The symbols whose objective coefficients changed since the objective
    // was last optimal: only they can have gone negative.
    std::vector<Symbol> objectiveTouched_;
    std::unordered_map<const void*, HeldConstraint> constraints_;
    // Marker symbol id -> the constraint it belongs to, to name conflicts.
    std::unordered_map<std::uint32_t, Constraint> markers_;
    std::unordered_map<std::uint64_t, HeldVariable> variables_;
    std::unordered_map<std::uint64_t, Edit> edits_;
    // External symbol id -> the variable it stands for, to report changes.
    std::unordered_map<std::uint32_t, std::uint64_t> variableOf_;
    std::vector<std::uint64_t> changed_;
    bool tracksChanges_ = false;
    std::uint32_t nextSymbol_ = 1;
};

}  // namespace solver

#pragma once

#include "solver/Solver.h"

#include <cmath>
#include <vector>

namespace solver {

// Coefficients this close to zero are zero: they are what is left of a term
// that cancelled out in floating point.
inline bool nearZero(double value)
{
    return std::fabs(value) < 1.0e-8;
}

// One row of the tableau, `basic = constant + sum(coefficient * symbol)`,
// or an objective in the same form. Cells are kept sorted by symbol id, so
// that the first cell that qualifies is the lowest-numbered symbol, as the
// pivoting rules want.
class Solver::Row {
public:
    struct Cell {
        Symbol symbol;
        double coefficient;
    };
    // Where a change reports the symbols it brought into the row and the
    // ones that cancelled out of it, for the tableau's column index.
    struct Changes {
        std::vector<Symbol> added;
        std::vector<Symbol> removed;
        void clear()
        {
            added.clear();
            removed.clear();
        }
    };

    Row() = default;
    explicit Row(double constant)
        : constant_(constant)
    {
    }

    double constant() const { return constant_; }
    void addToConstant(double delta) { constant_ += delta; }
    const std::vector<Cell>& cells() const { return cells_; }
    bool empty() const { return cells_.empty(); }

    double coefficientFor(Symbol symbol) const;
    // Adds `coefficient` to the symbol's; a sum near zero drops the cell.
    void insert(Symbol symbol, double coefficient);
    // Adds `coefficient` times the other row, constant included.
    void insert(const Row& other, double coefficient, Changes* changes = nullptr);
    void remove(Symbol symbol);
    void reverseSign();

    // Solves `0 = this` for a symbol of the row, which leaves the row
    // saying `symbol = ...`.
    void solveFor(Symbol symbol);
    // Solves `lhs = this` for `rhs`, a symbol of the row.
    void solveFor(Symbol lhs, Symbol rhs);
    // Replaces the symbol by the row; false when the symbol isn't here.
    // The changes leave out the replaced symbol itself.
    bool substitute(Symbol symbol, const Row& row, Changes* changes = nullptr);

private:
    std::vector<Cell>::iterator find(Symbol symbol);
    std::vector<Cell>::const_iterator find(Symbol symbol) const;

    std::vector<Cell> cells_;
    double constant_ = 0;
};

struct Solver::BasicRow {
    Symbol basic;
    Row row;
};

}  // namespace solver

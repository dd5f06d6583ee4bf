#include "Row.h"

#include <algorithm>

namespace solver {

std::vector<Solver::Row::Cell>::iterator Solver::Row::find(Symbol symbol)
{
    return std::lower_bound(cells_.begin(), cells_.end(), symbol.id,
                            [](const Cell& cell, std::uint32_t id) { return cell.symbol.id < id; });
}

std::vector<Solver::Row::Cell>::const_iterator Solver::Row::find(Symbol symbol) const
{
    return std::lower_bound(cells_.begin(), cells_.end(), symbol.id,
                            [](const Cell& cell, std::uint32_t id) { return cell.symbol.id < id; });
}

double Solver::Row::coefficientFor(Symbol symbol) const
{
    auto it = find(symbol);
    return it != cells_.end() && it->symbol.id == symbol.id ? it->coefficient : 0.0;
}

void Solver::Row::insert(Symbol symbol, double coefficient)
{
    auto it = find(symbol);
    if (it != cells_.end() && it->symbol.id == symbol.id) {
        it->coefficient += coefficient;
        if (nearZero(it->coefficient))
            cells_.erase(it);
    } else if (!nearZero(coefficient)) {
        cells_.insert(it, {symbol, coefficient});
    }
}

void Solver::Row::insert(const Row& other, double coefficient, Changes* changes)
{
    constant_ += other.constant_ * coefficient;
    if (other.cells_.empty())
        return;
    // A merge of the two sorted lists into a buffer that is swapped in, so
    // the storage goes round between rows instead of being allocated anew.
    thread_local std::vector<Cell> merged;
    merged.clear();
    merged.reserve(cells_.size() + other.cells_.size());
    auto a = cells_.begin();
    auto b = other.cells_.begin();
    while (a != cells_.end() || b != other.cells_.end()) {
        if (b == other.cells_.end() || (a != cells_.end() && a->symbol.id < b->symbol.id)) {
            merged.push_back(*a++);
        } else if (a == cells_.end() || b->symbol.id < a->symbol.id) {
            double value = b->coefficient * coefficient;
            if (!nearZero(value)) {
                merged.push_back({b->symbol, value});
                if (changes)
                    changes->added.push_back(b->symbol);
            }
            ++b;
        } else {
            double value = a->coefficient + b->coefficient * coefficient;
            if (!nearZero(value))
                merged.push_back({a->symbol, value});
            else if (changes)
                changes->removed.push_back(a->symbol);
            ++a;
            ++b;
        }
    }
    cells_.swap(merged);
}

void Solver::Row::remove(Symbol symbol)
{
    auto it = find(symbol);
    if (it != cells_.end() && it->symbol.id == symbol.id)
        cells_.erase(it);
}

void Solver::Row::reverseSign()
{
    constant_ = -constant_;
    for (auto& cell : cells_)
        cell.coefficient = -cell.coefficient;
}

void Solver::Row::solveFor(Symbol symbol)
{
    auto it = find(symbol);
    double factor = -1.0 / it->coefficient;
    cells_.erase(it);
    constant_ *= factor;
    for (auto& cell : cells_)
        cell.coefficient *= factor;
}

void Solver::Row::solveFor(Symbol lhs, Symbol rhs)
{
    insert(lhs, -1.0);
    solveFor(rhs);
}

bool Solver::Row::substitute(Symbol symbol, const Row& row, Changes* changes)
{
    auto it = find(symbol);
    if (it == cells_.end() || it->symbol.id != symbol.id)
        return false;
    double coefficient = it->coefficient;
    cells_.erase(it);
    insert(row, coefficient, changes);
    return true;
}

}  // namespace solver

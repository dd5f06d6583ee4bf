#include "solver/Solver.h"

#include "Row.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace solver {

namespace {

bool isValidStrength(double strength)
{
    return strength == strength::required || (std::isfinite(strength) && strength > 0);
}

bool isFiniteExpression(const Expression& expression)
{
    if (!std::isfinite(expression.constant()))
        return false;
    return std::all_of(expression.terms().begin(), expression.terms().end(),
                       [](const Term& term) { return std::isfinite(term.coefficient); });
}

// The simplex terminates by its pivoting rules; this only keeps rounding
// trouble from turning into a hang.
std::size_t pivotLimit(std::size_t rows)
{
    return 10000 + 50 * rows;
}

}  // namespace

const char* describe(Error error)
{
    switch (error) {
    case Error::None:
        return "no error";
    case Error::DuplicateConstraint:
        return "the constraint is held already";
    case Error::UnknownConstraint:
        return "the constraint is not held";
    case Error::UnsatisfiableConstraint:
        return "the required constraint can't be satisfied";
    case Error::DuplicateEditVariable:
        return "the variable is an edit variable already";
    case Error::UnknownEditVariable:
        return "the variable is not an edit variable";
    case Error::InvalidStrength:
        return "the strength is not a valid one here";
    case Error::InvalidValue:
        return "a value is not a finite number";
    case Error::NumericalFailure:
        return "the simplex did not reach an optimum";
    }
    return "unknown error";
}

Solver::Solver()
    : objective_(std::make_unique<Row>())
{
}

Solver::~Solver() = default;

void Solver::reset()
{
    rows_.clear();
    rowIndex_.clear();
    columns_.clear();
    objective_ = std::make_unique<Row>();
    artificial_.reset();
    infeasible_.clear();
    objectiveTouched_.clear();
    constraints_.clear();
    markers_.clear();
    variables_.clear();
    edits_.clear();
    variableOf_.clear();
    changed_.clear();
    nextSymbol_ = 1;
}

// --- The tableau ---------------------------------------------------------

std::optional<std::size_t> Solver::rowOf(Symbol symbol) const
{
    auto it = rowIndex_.find(symbol.id);
    if (it == rowIndex_.end())
        return std::nullopt;
    return it->second;
}

void Solver::link(Symbol symbol, std::uint32_t basic)
{
    columns_[symbol.id].push_back(basic);
}

void Solver::unlink(Symbol symbol, std::uint32_t basic)
{
    auto it = columns_.find(symbol.id);
    if (it == columns_.end())
        return;
    auto& rows = it->second;
    auto position = std::find(rows.begin(), rows.end(), basic);
    if (position != rows.end()) {
        *position = rows.back();
        rows.pop_back();
    }
    if (rows.empty())
        columns_.erase(it);
}

const std::vector<std::uint32_t>& Solver::column(Symbol symbol) const
{
    static const std::vector<std::uint32_t> none;
    auto it = columns_.find(symbol.id);
    return it == columns_.end() ? none : it->second;
}

void Solver::noteChanged(Symbol basic)
{
    if (tracksChanges_ && basic.kind == Kind::External)
        if (auto it = variableOf_.find(basic.id); it != variableOf_.end())
            changed_.push_back(it->second);
}

void Solver::setTracksChanges(bool tracks)
{
    tracksChanges_ = tracks;
    if (!tracks)
        changed_.clear();
}

std::vector<std::uint64_t> Solver::takeChangedVariables()
{
    return std::exchange(changed_, {});
}

void Solver::addRow(Symbol basic, Row row)
{
    noteChanged(basic);
    for (const auto& cell : row.cells())
        link(cell.symbol, basic.id);
    rowIndex_[basic.id] = rows_.size();
    rows_.push_back({basic, std::move(row)});
}

Solver::Row Solver::takeRow(std::size_t index)
{
    noteChanged(rows_[index].basic);
    Row row = std::move(rows_[index].row);
    std::uint32_t basic = rows_[index].basic.id;
    for (const auto& cell : row.cells())
        unlink(cell.symbol, basic);
    rowIndex_.erase(basic);
    if (index + 1 != rows_.size()) {
        rows_[index] = std::move(rows_.back());
        rowIndex_[rows_[index].basic.id] = index;
    }
    rows_.pop_back();
    return row;
}

void Solver::eraseColumn(Symbol symbol)
{
    auto it = columns_.find(symbol.id);
    if (it == columns_.end())
        return;
    for (std::uint32_t basic : it->second)
        rows_[rowIndex_.at(basic)].row.remove(symbol);
    columns_.erase(it);
}

Solver::Symbol Solver::newSymbol(Kind kind)
{
    return {nextSymbol_++, kind};
}

Solver::Symbol Solver::symbolFor(Variable variable)
{
    auto [it, added] = variables_.try_emplace(variable.id());
    if (added) {
        it->second.symbol = newSymbol(Kind::External);
        variableOf_.emplace(it->second.symbol.id, variable.id());
    }
    return it->second.symbol;
}

// A row the dual simplex must repair: a restricted symbol below zero, or
// a fixed one away from it.
void Solver::noteIfInfeasible(const BasicRow& basicRow)
{
    double constant = basicRow.row.constant();
    if (nearZero(constant))
        return;
    if (basicRow.basic.fixed() || (basicRow.basic.restricted() && constant < 0))
        infeasible_.push_back(basicRow.basic);
}

void Solver::substitute(Symbol symbol, const Row& row)
{
    auto it = columns_.find(symbol.id);
    if (it != columns_.end()) {
        std::vector<std::uint32_t> holders = std::move(it->second);
        columns_.erase(it);
        Row::Changes changes;
        for (std::uint32_t basic : holders) {
            BasicRow& basicRow = rows_[rowIndex_.at(basic)];
            changes.clear();
            basicRow.row.substitute(symbol, row, &changes);
            for (Symbol added : changes.added)
                link(added, basic);
            for (Symbol removed : changes.removed)
                unlink(removed, basic);
            noteIfInfeasible(basicRow);
            noteChanged(basicRow.basic);
        }
    }
    if (objective_->substitute(symbol, row))
        for (const auto& cell : row.cells())
            objectiveTouched_.push_back(cell.symbol);
    if (artificial_)
        artificial_->substitute(symbol, row);
}

void Solver::pivot(std::size_t rowIndex, Symbol entering)
{
    Symbol leaving = rows_[rowIndex].basic;
    Row row = takeRow(rowIndex);
    row.solveFor(leaving, entering);
    substitute(entering, row);
    addRow(entering, std::move(row));
}

// --- Adding constraints --------------------------------------------------

// The constraint as a row over the current parametric symbols: basic
// variables are replaced by their rows, and the constraint's own slack,
// error or dummy symbols are added (errors also to the objective, with the
// constraint's weight).
Solver::Row Solver::createRow(const Constraint& constraint, Tag& tag)
{
    const Expression& expression = constraint.expression();
    Row row(expression.constant());
    for (const Term& term : expression.terms()) {
        if (nearZero(term.coefficient))
            continue;
        Symbol symbol = symbolFor(term.variable);
        if (auto index = rowOf(symbol))
            row.insert(rows_[*index].row, term.coefficient);
        else
            row.insert(symbol, term.coefficient);
    }
    double weight = constraint.strength();
    bool required = constraint.isRequired();
    switch (constraint.relation()) {
    case Relation::LessOrEqual:
    case Relation::GreaterOrEqual: {
        // e <= 0 is e + slack = 0; e >= 0 is e - slack = 0. A non-required
        // one may miss by its error: e = error - slack, or e = slack - error.
        double sign = constraint.relation() == Relation::LessOrEqual ? 1.0 : -1.0;
        tag.marker = newSymbol(Kind::Slack);
        row.insert(tag.marker, sign);
        if (!required) {
            tag.other = newSymbol(Kind::Error);
            row.insert(tag.other, -sign);
            objective_->insert(tag.other, weight);
        }
        break;
    }
    case Relation::Equal:
        if (required) {
            // The dummy never pivots; it only names the constraint in the
            // tableau so that it can be found and taken out again.
            tag.marker = newSymbol(Kind::Dummy);
            row.insert(tag.marker, 1.0);
        } else {
            // e = plus - minus, both errors weighed in the objective.
            tag.marker = newSymbol(Kind::Error);
            tag.other = newSymbol(Kind::Error);
            row.insert(tag.marker, -1.0);
            row.insert(tag.other, 1.0);
            objective_->insert(tag.marker, weight);
            objective_->insert(tag.other, weight);
        }
        break;
    }
    // A restricted subject must come out non-negative.
    if (row.constant() < 0)
        row.reverseSign();
    return row;
}

// The symbol the new row can be solved for without disturbing the other
// rows: an unrestricted variable, else one of the constraint's own fresh
// symbols with a negative coefficient (so that it comes out non-negative).
Solver::Symbol Solver::chooseSubject(const Row& row, const Tag& tag)
{
    for (const auto& cell : row.cells())
        if (cell.symbol.kind == Kind::External)
            return cell.symbol;
    for (Symbol candidate : {tag.marker, tag.other})
        if (candidate.pivotable() && row.coefficientFor(candidate) < 0)
            return candidate;
    return {};
}

Status Solver::addConstraint(const Constraint& constraint)
{
    if (!constraint)
        return Status(Error::UnknownConstraint);
    if (!isValidStrength(constraint.strength()))
        return Status(Error::InvalidStrength);
    if (!isFiniteExpression(constraint.expression()))
        return Status(Error::InvalidValue);
    if (constraints_.contains(constraint.identity()))
        return Status(Error::DuplicateConstraint);

    Tag tag;
    Row row = createRow(constraint, tag);
    Symbol subject = chooseSubject(row, tag);
    bool onlyDummies = std::all_of(row.cells().begin(), row.cells().end(),
                                   [](const Row::Cell& cell) { return cell.symbol.kind == Kind::Dummy; });
    if (!subject.valid() && onlyDummies) {
        // Nothing left to move: a required equality that is either implied
        // by the others (it joins the tableau on its own dummy) or ruled out.
        if (!nearZero(row.constant())) {
            std::vector<Constraint> conflicts{constraint};
            for (const auto& cell : row.cells())
                if (auto it = markers_.find(cell.symbol.id); it != markers_.end())
                    conflicts.push_back(it->second);
            dropUnusedVariables(constraint);
            return Status(Error::UnsatisfiableConstraint, std::move(conflicts));
        }
        subject = tag.marker;
    }

    if (subject.valid()) {
        row.solveFor(subject);
        substitute(subject, row);
        addRow(subject, std::move(row));
    } else {
        std::vector<Constraint> conflicts;
        if (!addWithArtificialVariable(row, constraint, conflicts)) {
            dropUnusedVariables(constraint);
            reoptimize();
            return Status(Error::UnsatisfiableConstraint, std::move(conflicts));
        }
    }

    constraints_.emplace(constraint.identity(), HeldConstraint{constraint, tag});
    markers_.emplace(tag.marker.id, constraint);
    for (const Term& term : constraint.expression().terms())
        ++variables_[term.variable.id()].uses;
    return reoptimize();
}

// Phase one: a new artificial variable stands for the row, and the simplex
// drives it to zero if the constraint can hold. When it can't, the
// artificial row's remaining terms name the constraints that stop it: a
// marker symbol appears in no original row but its own constraint's, so its
// coefficient here is that constraint's share of the proof.
bool Solver::addWithArtificialVariable(const Row& row, const Constraint& constraint, std::vector<Constraint>& conflicts)
{
    Symbol art = newSymbol(Kind::Slack);
    addRow(art, row);
    artificial_ = std::make_unique<Row>(row);
    Status phaseOne = optimize(*artificial_);
    auto index = rowOf(art);
    bool success = phaseOne.ok() && (!index || nearZero(rows_[*index].row.constant()));
    if (!success && index) {
        conflicts.push_back(constraint);
        for (const auto& cell : rows_[*index].row.cells())
            if (auto it = markers_.find(cell.symbol.id); it != markers_.end())
                conflicts.push_back(it->second);
    }
    artificial_.reset();

    if (index) {
        Row artRow = takeRow(*index);
        if (success && !artRow.empty()) {
            // The row still says something: art = 0 = row. Any symbol of it
            // may carry that into the tableau, a pivotable one by preference.
            Symbol entering = artRow.cells().front().symbol;
            for (const auto& cell : artRow.cells())
                if (cell.symbol.pivotable()) {
                    entering = cell.symbol;
                    break;
                }
            artRow.solveFor(art, entering);
            substitute(entering, artRow);
            addRow(entering, std::move(artRow));
        }
    }
    // The artificial variable is zero from here on (or gone with its row).
    eraseColumn(art);
    objective_->remove(art);
    return success;
}

// The lowest-numbered pivotable symbol with a negative coefficient. For the
// main objective only the touched symbols are looked at: the others were
// non-negative when it was last optimal and haven't changed since.
Solver::Symbol Solver::enteringSymbol(const Row& objective)
{
    auto improves = [&objective](Symbol symbol) {
        double coefficient = objective.coefficientFor(symbol);
        return symbol.pivotable() && coefficient < 0 && !nearZero(coefficient);
    };
    if (&objective != objective_.get()) {
        for (const auto& cell : objective.cells())
            if (improves(cell.symbol))
                return cell.symbol;
        return {};
    }
    std::erase_if(objectiveTouched_, [&](Symbol symbol) { return !improves(symbol); });
    Symbol entering;
    for (Symbol symbol : objectiveTouched_)
        if (!entering.valid() || symbol.id < entering.id)
            entering = symbol;
    return entering;
}

Status Solver::optimize(Row& objective)
{
    std::size_t limit = pivotLimit(rows_.size());
    for (std::size_t step = 0; step < limit; ++step) {
        // Bland's rule: the lowest-numbered symbol that improves the
        // objective enters, and among the rows that bind first, the one of
        // the lowest-numbered basic symbol leaves. The tableau is degenerate
        // often enough that a greedier rule could cycle.
        Symbol entering = enteringSymbol(objective);
        if (!entering.valid())
            return Status();
        std::optional<std::size_t> leaving;
        double best = std::numeric_limits<double>::infinity();
        for (std::uint32_t holder : column(entering)) {
            std::size_t i = rowIndex_.at(holder);
            const auto& [basic, row] = rows_[i];
            if (!basic.restricted())
                continue;
            double coefficient = row.coefficientFor(entering);
            if (nearZero(coefficient))
                continue;
            // A restricted row binds when its symbol falls to zero; a fixed
            // one binds at once, whichever way it would move.
            if (!basic.fixed() && coefficient > 0)
                continue;
            double ratio = basic.fixed() ? 0.0 : -row.constant() / coefficient;
            if (ratio < best || (ratio == best && basic.id < rows_[*leaving].basic.id)) {
                best = ratio;
                leaving = i;
            }
        }
        if (!leaving)
            return Status(Error::NumericalFailure);
        pivot(*leaving, entering);
    }
    return Status(Error::NumericalFailure);
}

// --- Removing constraints ------------------------------------------------

void Solver::removeErrorFromObjective(Symbol error, double strength)
{
    if (auto index = rowOf(error)) {
        objective_->insert(rows_[*index].row, -strength);
        for (const auto& cell : rows_[*index].row.cells())
            objectiveTouched_.push_back(cell.symbol);
    } else {
        objective_->insert(error, -strength);
        objectiveTouched_.push_back(error);
    }
}

// The row to pivot a non-basic marker into before its row is dropped: a
// fixed row that holds it (which binds at once), else the restricted row
// that binds first as the marker grows (keeping the others feasible), else
// the one that binds first as it shrinks, else a row of an unrestricted
// variable.
std::optional<std::size_t> Solver::markerLeavingRow(Symbol marker) const
{
    double growing = std::numeric_limits<double>::infinity();
    double shrinking = growing;
    std::optional<std::size_t> first, second, third;
    for (std::uint32_t holder : column(marker)) {
        std::size_t i = rowIndex_.at(holder);
        const auto& [basic, row] = rows_[i];
        double coefficient = row.coefficientFor(marker);
        if (coefficient == 0)
            continue;
        if (basic.fixed())
            return i;
        if (!basic.restricted()) {
            if (!third || basic.id < rows_[*third].basic.id)
                third = i;
        } else if (coefficient < 0) {
            double ratio = -row.constant() / coefficient;
            if (ratio < growing) {
                growing = ratio;
                first = i;
            }
        } else {
            double ratio = row.constant() / coefficient;
            if (ratio < shrinking) {
                shrinking = ratio;
                second = i;
            }
        }
    }
    return first ? first : second ? second : third;
}

Status Solver::removeConstraint(const Constraint& constraint)
{
    auto it = constraints_.find(constraint.identity());
    if (it == constraints_.end())
        return Status(Error::UnknownConstraint);
    Tag tag = it->second.tag;
    constraints_.erase(it);
    markers_.erase(tag.marker.id);

    if (!constraint.isRequired()) {
        for (Symbol error : {tag.marker, tag.other})
            if (error.kind == Kind::Error)
                removeErrorFromObjective(error, constraint.strength());
    }
    if (auto index = rowOf(tag.marker)) {
        takeRow(*index);
    } else if (auto leaving = markerLeavingRow(tag.marker)) {
        Symbol basic = rows_[*leaving].basic;
        Row row = takeRow(*leaving);
        row.solveFor(basic, tag.marker);
        substitute(tag.marker, row);
    }
    // A marker in no row at all has nothing left to take out.

    releaseVariables(constraint);
    return reoptimize();
}

bool Solver::hasConstraint(const Constraint& constraint) const
{
    return constraint && constraints_.contains(constraint.identity());
}

void Solver::releaseVariables(const Constraint& constraint)
{
    for (const Term& term : constraint.expression().terms()) {
        auto it = variables_.find(term.variable.id());
        if (it != variables_.end() && it->second.uses > 0)
            --it->second.uses;
    }
    dropUnusedVariables(constraint);
}

// Variables of the constraint that no held constraint mentions any more.
// Whatever row still defines one (what rounding left of it) goes with it.
void Solver::dropUnusedVariables(const Constraint& constraint)
{
    for (const Term& term : constraint.expression().terms()) {
        auto it = variables_.find(term.variable.id());
        if (it == variables_.end() || it->second.uses > 0 || edits_.contains(term.variable.id()))
            continue;
        Symbol symbol = it->second.symbol;
        variables_.erase(it);
        variableOf_.erase(symbol.id);
        if (tracksChanges_)
            changed_.push_back(term.variable.id());
        if (auto index = rowOf(symbol))
            takeRow(*index);
        eraseColumn(symbol);
        objective_->remove(symbol);
    }
}

// --- Edit variables ------------------------------------------------------

Status Solver::addEditVariable(Variable variable, double strength)
{
    if (edits_.contains(variable.id()))
        return Status(Error::DuplicateEditVariable);
    if (strength == strength::required || !isValidStrength(strength))
        return Status(Error::InvalidStrength);
    double current = value(variable);
    Constraint constraint(Expression(variable) - current, Relation::Equal, strength);
    Status status = addConstraint(constraint);
    if (status.error() != Error::None && status.error() != Error::NumericalFailure)
        return status;
    edits_.emplace(variable.id(), Edit{constraint, current});
    return status;
}

Status Solver::removeEditVariable(Variable variable)
{
    auto it = edits_.find(variable.id());
    if (it == edits_.end())
        return Status(Error::UnknownEditVariable);
    Constraint constraint = it->second.constraint;
    edits_.erase(it);
    return removeConstraint(constraint);
}

bool Solver::hasEditVariable(Variable variable) const
{
    return edits_.contains(variable.id());
}

// A new suggestion moves the edit constraint's constant. In the original
// row `v - c - plus + minus = 0`, c growing by delta is the same as `plus`
// standing for `plus + delta`, so every row that holds `plus` moves by its
// coefficient times delta. Rows that go negative are repaired by the dual
// simplex, which keeps the objective optimal throughout.
Status Solver::suggestValue(Variable variable, double value)
{
    auto it = edits_.find(variable.id());
    if (it == edits_.end())
        return Status(Error::UnknownEditVariable);
    if (!std::isfinite(value))
        return Status(Error::InvalidValue);
    Edit& edit = it->second;
    double delta = value - edit.constant;
    edit.constant = value;
    if (delta == 0)
        return Status();
    Tag tag = constraints_.at(edit.constraint.identity()).tag;

    if (auto index = rowOf(tag.marker)) {
        rows_[*index].row.addToConstant(-delta);
        noteIfInfeasible(rows_[*index]);
    } else if (auto other = rowOf(tag.other)) {
        // Only the row of `minus` holds `plus` then, with coefficient 1.
        rows_[*other].row.addToConstant(delta);
        noteIfInfeasible(rows_[*other]);
    } else {
        for (std::uint32_t holder : column(tag.marker)) {
            BasicRow& basicRow = rows_[rowIndex_.at(holder)];
            double coefficient = basicRow.row.coefficientFor(tag.marker);
            basicRow.row.addToConstant(coefficient * delta);
            noteIfInfeasible(basicRow);
            noteChanged(basicRow.basic);
        }
    }
    return dualOptimize();
}

// After a constraint came or went. The primal simplex keeps every row
// feasible; the dual pass only mends what rounding may have pushed over.
Status Solver::reoptimize()
{
    Status status = optimize(*objective_);
    Status repaired = dualOptimize();
    return status.ok() ? repaired : status;
}

Status Solver::dualOptimize()
{
    std::size_t limit = pivotLimit(rows_.size());
    std::size_t steps = 0;
    while (!infeasible_.empty()) {
        Symbol leaving = infeasible_.back();
        infeasible_.pop_back();
        auto index = rowOf(leaving);
        if (!index)
            continue;
        const Row& row = rows_[*index].row;
        double constant = row.constant();
        if (nearZero(constant) || (constant > 0 && !leaving.fixed()))
            continue;
        if (++steps > limit) {
            infeasible_.clear();
            return Status(Error::NumericalFailure);
        }
        // The entering symbol moves the row's symbol back to zero and keeps
        // the objective's coefficients non-negative: the smallest ratio of
        // objective to row coefficient, among the cells that push the right
        // way (up for a negative row, down for a fixed one above zero).
        double direction = constant < 0 ? 1.0 : -1.0;
        Symbol entering;
        double best = std::numeric_limits<double>::infinity();
        for (const auto& cell : row.cells()) {
            double push = cell.coefficient * direction;
            if (!cell.symbol.pivotable() || push <= 0 || nearZero(cell.coefficient))
                continue;
            double ratio = objective_->coefficientFor(cell.symbol) / push;
            if (ratio < best) {
                best = ratio;
                entering = cell.symbol;
            }
        }
        if (!entering.valid()) {
            infeasible_.clear();
            return Status(Error::NumericalFailure);
        }
        pivot(*index, entering);
    }
    return Status();
}

double Solver::value(Variable variable) const
{
    auto it = variables_.find(variable.id());
    if (it == variables_.end())
        return 0;
    auto index = rowOf(it->second.symbol);
    return index ? rows_[*index].row.constant() : 0;
}

}  // namespace solver

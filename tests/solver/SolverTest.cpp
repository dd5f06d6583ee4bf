#include "solver/Solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace solver;

namespace {

constexpr double kTolerance = 1e-6;

struct Vars {
    Variable x, y, z, w;
};

using Builder = std::function<std::vector<Constraint>(const Vars&)>;

struct Expected {
    double x, y, z, w;
};

void expectValues(const Solver& s, const Vars& v, const Expected& e)
{
    EXPECT_NEAR(s.value(v.x), e.x, kTolerance);
    EXPECT_NEAR(s.value(v.y), e.y, kTolerance);
    EXPECT_NEAR(s.value(v.z), e.z, kTolerance);
    EXPECT_NEAR(s.value(v.w), e.w, kTolerance);
}

TEST(Solver, SmallSystemsReachTheirKnownSolutions)
{
    struct Case {
        const char* name;
        Builder constraints;
        Expected expected;
    };
    const Case cases[] = {
        {"one equation", [](const Vars& v) { return std::vector{v.x == 10}; }, {10, 0, 0, 0}},
        {"chain of equalities",
         [](const Vars& v) {
             return std::vector{v.x == v.y + 5, v.y == 2 * v.z, v.z == 3};
         },
         {11, 6, 3, 0}},
        {"two equations, two unknowns",
         [](const Vars& v) {
             return std::vector{v.x + v.y == 10, v.x - v.y == 4};
         },
         {7, 3, 0, 0}},
        {"inequality pushes past a weaker wish",
         [](const Vars& v) {
             return std::vector{v.x >= 20, (v.x == 5).withStrength(strength::weak)};
         },
         {20, 0, 0, 0}},
        {"wish inside the bounds is met",
         [](const Vars& v) {
             return std::vector{v.x >= 0, v.x <= 100, (v.x == 42).withStrength(strength::weak)};
         },
         {42, 0, 0, 0}},
        {"centre between two edges",
         [](const Vars& v) {
             // x left, y right, z centre, w width
             return std::vector{v.x == 10, v.w == 80, v.y == v.x + v.w, 2 * v.z == v.x + v.y};
         },
         {10, 90, 50, 80}},
        {"multiplier and constant",
         [](const Vars& v) {
             return std::vector{v.y == 0.5 * v.x + 3, v.x == 40};
         },
         {40, 23, 0, 0}},
        {"redundant required equality",
         [](const Vars& v) {
             return std::vector{v.x == 10, v.x == 10, v.y == v.x, v.y == 10};
         },
         {10, 10, 0, 0}},
        {"constant-only constraint that holds",
         [](const Vars& v) {
             return std::vector{Expression(3) <= 4, v.x == 1};
         },
         {1, 0, 0, 0}},
        {"terms of one variable combine",
         [](const Vars& v) {
             return std::vector{v.x + v.x + v.x == 12, v.y - v.y + v.z == 2};
         },
         {4, 0, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vars v;
        Solver s;
        for (const Constraint& constraint : c.constraints(v))
            ASSERT_TRUE(s.addConstraint(constraint));
        expectValues(s, v, c.expected);
    }
}

TEST(Solver, StrongerConstraintsWinConflicts)
{
    struct Case {
        const char* name;
        Builder constraints;
        Expected expected;
    };
    const Case cases[] = {
        {"strong beats weak",
         [](const Vars& v) {
             return std::vector{(v.x == 10).withStrength(strength::weak), (v.x == 20).withStrength(strength::strong)};
         },
         {20, 0, 0, 0}},
        {"order of adding doesn't matter",
         [](const Vars& v) {
             return std::vector{(v.x == 20).withStrength(strength::strong), (v.x == 10).withStrength(strength::weak)};
         },
         {20, 0, 0, 0}},
        {"required beats any weight",
         [](const Vars& v) {
             return std::vector{(v.x == 10).withStrength(1e12), v.x <= 3};
         },
         {3, 0, 0, 0}},
        {"two weights against a higher one",
         [](const Vars& v) {
             return std::vector{(v.x == 0).withStrength(2), (v.x == 0).withStrength(2), (v.x == 100).withStrength(5)};
         },
         {100, 0, 0, 0}},
        {"slack goes to the cheaper side",
         // Two widths share 100; the weaker wish gives way entirely.
         [](const Vars& v) {
             return std::vector{v.x + v.y == 100, (v.x == 30).withStrength(251), (v.y == 30).withStrength(250)};
         },
         {30, 70, 0, 0}},
        {"a met inequality costs nothing",
         [](const Vars& v) {
             return std::vector{(v.x >= 10).withStrength(strength::strong), (v.x == 50).withStrength(strength::weak)};
         },
         {50, 0, 0, 0}},
        {"a broken inequality misses as little as it can",
         [](const Vars& v) {
             return std::vector{(v.x <= 10).withStrength(strength::weak), (v.x == 50).withStrength(strength::strong)};
         },
         {50, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vars v;
        Solver s;
        for (const Constraint& constraint : c.constraints(v))
            ASSERT_TRUE(s.addConstraint(constraint));
        expectValues(s, v, c.expected);
    }
}

TEST(Solver, EditVariablesFollowSuggestionsWithinTheRequiredOnes)
{
    Variable left, width, right;
    Solver s;
    ASSERT_TRUE(s.addConstraint(right == left + width));
    ASSERT_TRUE(s.addConstraint(left == 10));
    ASSERT_TRUE(s.addConstraint(width >= 50));
    ASSERT_TRUE(s.addConstraint(right <= 300));
    ASSERT_TRUE(s.addEditVariable(width, strength::strong));

    struct Step {
        double suggestion;
        double width;
    };
    // Inside the range, below the minimum, above the maximum, and back.
    const Step steps[] = {{120, 120}, {20, 50}, {500, 290}, {200, 200}, {200, 200}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.suggestion);
        ASSERT_TRUE(s.suggestValue(width, step.suggestion));
        EXPECT_NEAR(s.value(width), step.width, kTolerance);
        EXPECT_NEAR(s.value(right), 10 + step.width, kTolerance);
    }

    // Without the edit, a weaker wish decides again.
    ASSERT_TRUE(s.addConstraint((width == 77).withStrength(strength::weak)));
    ASSERT_TRUE(s.removeEditVariable(width));
    EXPECT_NEAR(s.value(width), 77, kTolerance);
    EXPECT_FALSE(s.hasEditVariable(width));
}

TEST(Solver, EditVariableStartsAtTheCurrentValueAndYieldsToStrongerWishes)
{
    Variable x;
    Solver s;
    ASSERT_TRUE(s.addConstraint((x == 40).withStrength(strength::medium)));
    ASSERT_TRUE(s.addEditVariable(x, strength::weak));
    EXPECT_NEAR(s.value(x), 40, kTolerance);
    ASSERT_TRUE(s.suggestValue(x, 90));
    EXPECT_NEAR(s.value(x), 40, kTolerance);

    Variable y;
    ASSERT_TRUE(s.addEditVariable(y, strength::strong));
    ASSERT_TRUE(s.addConstraint((y == 5).withStrength(strength::medium)));
    ASSERT_TRUE(s.suggestValue(y, 60));
    EXPECT_NEAR(s.value(y), 60, kTolerance);
}

TEST(Solver, BadRequestsAreAnsweredWithErrorsAndChangeNothing)
{
    Variable x;
    Solver s;
    Constraint held = x == 5;
    ASSERT_TRUE(s.addConstraint(held));
    ASSERT_TRUE(s.addEditVariable(x, strength::medium));

    struct Case {
        const char* name;
        std::function<Status()> request;
        Error error;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Variable unknown;
    const Case cases[] = {
        {"the same constraint twice", [&] { return s.addConstraint(held); }, Error::DuplicateConstraint},
        {"removing one never added", [&] { return s.removeConstraint(x == 5); }, Error::UnknownConstraint},
        {"adding no constraint", [&] { return s.addConstraint(Constraint()); }, Error::UnknownConstraint},
        {"removing no constraint", [&] { return s.removeConstraint(Constraint()); }, Error::UnknownConstraint},
        {"zero strength", [&] { return s.addConstraint((x == 1).withStrength(0)); }, Error::InvalidStrength},
        {"negative strength", [&] { return s.addConstraint((x == 1).withStrength(-3)); }, Error::InvalidStrength},
        {"NaN strength", [&] { return s.addConstraint((x == 1).withStrength(nan)); }, Error::InvalidStrength},
        {"NaN coefficient", [&] { return s.addConstraint(nan * x == 1); }, Error::InvalidValue},
        {"infinite constant", [&] { return s.addConstraint(x <= inf); }, Error::InvalidValue},
        {"the same edit variable twice", [&] { return s.addEditVariable(x, strength::weak); },
         Error::DuplicateEditVariable},
        {"a required edit", [&] { return s.addEditVariable(unknown, strength::required); }, Error::InvalidStrength},
        {"suggesting for no edit", [&] { return s.suggestValue(unknown, 1); }, Error::UnknownEditVariable},
        {"removing no edit", [&] { return s.removeEditVariable(unknown); }, Error::UnknownEditVariable},
        {"an infinite suggestion", [&] { return s.suggestValue(x, inf); }, Error::InvalidValue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Status status = c.request();
        EXPECT_EQ(status.error(), c.error);
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(s.constraintCount(), 2u);
        EXPECT_NEAR(s.value(x), 5, kTolerance);
    }
    EXPECT_FALSE(s.hasEditVariable(unknown));
}

TEST(Solver, UnsatisfiableRequiredConstraintNamesItsConflictsAndLeavesTheSolverAsItWas)
{
    struct Case {
        const char* name;
        // The held constraints; `conflicting` marks the ones that rule out the new one.
        std::function<std::vector<std::pair<Constraint, bool>>(const Vars&)> held;
        std::function<Constraint(const Vars&)> refused;
        Expected values;
    };
    const Case cases[] = {
        {"two equalities on one variable",
         [](const Vars& v) {
             return std::vector<std::pair<Constraint, bool>>{{v.x == 10, true}, {v.y == 3, false}};
         },
         [](const Vars& v) { return v.x == 20; },
         {10, 3, 0, 0}},
        {"a chain of equalities closing on a contradiction",
         [](const Vars& v) {
             return std::vector<std::pair<Constraint, bool>>{
                 {v.x == v.y + 1, true}, {v.y == v.z + 1, true}, {v.z == 0, true}, {v.w == 7, false}};
         },
         [](const Vars& v) { return v.x == 5; },
         {2, 1, 0, 7}},
        {"an inequality against bounds",
         [](const Vars& v) {
             return std::vector<std::pair<Constraint, bool>>{
                 {v.x >= 10, true}, {v.x <= 100, false}, {(v.x == 50).withStrength(strength::weak), false}};
         },
         [](const Vars& v) { return v.x <= 5; },
         {50, 0, 0, 0}},
        {"a sum too wide for its container",
         [](const Vars& v) {
             return std::vector<std::pair<Constraint, bool>>{
                 {v.x >= 60, true}, {v.y >= 60, true}, {v.z == v.x + v.y, true}, {v.w >= 0, false}};
         },
         [](const Vars& v) { return v.z <= 100; },
         {60, 60, 120, 0}},
        {"a constant that is false",
         [](const Vars&) { return std::vector<std::pair<Constraint, bool>>{}; },
         [](const Vars&) { return Expression(5) >= 10; },
         {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vars v;
        Solver s;
        std::vector<Constraint> expectedConflicts;
        for (const auto& [constraint, conflicting] : c.held(v)) {
            ASSERT_TRUE(s.addConstraint(constraint));
            if (conflicting)
                expectedConflicts.push_back(constraint);
        }
        std::size_t count = s.constraintCount();
        Constraint refused = c.refused(v);

        Status status = s.addConstraint(refused);
        EXPECT_EQ(status.error(), Error::UnsatisfiableConstraint);
        ASSERT_FALSE(status.conflicts().empty());
        EXPECT_TRUE(status.conflicts().front() == refused);
        std::vector<Constraint> others(status.conflicts().begin() + 1, status.conflicts().end());
        EXPECT_EQ(others.size(), expectedConflicts.size());
        for (const Constraint& expected : expectedConflicts)
            EXPECT_NE(std::find(others.begin(), others.end(), expected), others.end());

        EXPECT_FALSE(s.hasConstraint(refused));
        EXPECT_EQ(s.constraintCount(), count);
        expectValues(s, v, c.values);
        // It goes on working: the refused constraint as a wish is met as far as it can be.
        ASSERT_TRUE(s.addConstraint(refused.withStrength(strength::weak)));
        EXPECT_EQ(s.removeConstraint(refused).error(), Error::UnknownConstraint);
    }
}

TEST(Solver, RemovingConstraintsUndoesThem)
{
    Vars v;
    Solver s;
    Constraint pin = v.x == 30;
    Constraint bound = v.y >= v.x + 10;
    ASSERT_TRUE(s.addConstraint((v.x == 0).withStrength(strength::weak)));
    ASSERT_TRUE(s.addConstraint((v.y == 0).withStrength(strength::weak)));
    ASSERT_TRUE(s.addConstraint(pin));
    ASSERT_TRUE(s.addConstraint(bound));
    expectValues(s, v, {30, 40, 0, 0});

    ASSERT_TRUE(s.removeConstraint(pin));
    expectValues(s, v, {0, 10, 0, 0});
    ASSERT_TRUE(s.removeConstraint(bound));
    expectValues(s, v, {0, 0, 0, 0});
    EXPECT_FALSE(s.hasConstraint(pin));
    // Removed, it can come back.
    ASSERT_TRUE(s.addConstraint(pin));
    expectValues(s, v, {30, 0, 0, 0});
}

TEST(Solver, AnImpliedEqualityHoldsOnWhenWhatImpliedItGoes)
{
    // Three equalities, each written as it is or negated: which way a row
    // is written decides where the pivots go.
    for (int signs = 0; signs < 8; ++signs) {
        SCOPED_TRACE(signs);
        auto sign = [signs](int bit) { return signs & (1 << bit) ? -1.0 : 1.0; };
        Variable a, b;
        Solver s;
        ASSERT_TRUE(s.addConstraint((a == 0).withStrength(strength::weak)));
        ASSERT_TRUE(s.addConstraint((b == 10).withStrength(strength::weak)));
        Constraint pin = sign(0) * (2 * a + 168) == 0;
        ASSERT_TRUE(s.addConstraint(sign(1) * (a + 2 * b + 44) == 0));
        ASSERT_TRUE(s.addConstraint(pin));
        // Implied by the two above, so it brings nothing new to the tableau.
        ASSERT_TRUE(s.addConstraint(sign(2) * (2 * b - 40) == 0));
        ASSERT_TRUE(s.removeConstraint(pin));
        EXPECT_NEAR(s.value(b), 20, kTolerance);
        EXPECT_NEAR(s.value(a), -84, kTolerance);
    }
}

// --- Against a fresh solve ---------------------------------------------------

Constraint randomConstraint(std::mt19937& random, const std::vector<Variable>& variables, bool required)
{
    std::uniform_int_distribution<std::size_t> pick(0, variables.size() - 1);
    std::uniform_int_distribution<int> small(-3, 3);
    std::uniform_int_distribution<int> constant(-200, 200);
    std::uniform_int_distribution<int> relation(0, 2);
    std::uniform_int_distribution<int> terms(1, 3);
    Expression expression(constant(random));
    for (int i = terms(random); i > 0; --i) {
        int coefficient = small(random);
        expression += (coefficient == 0 ? 1 : coefficient) * Expression(variables[pick(random)]);
    }
    Relation r = static_cast<Relation>(relation(random));
    std::uniform_real_distribution<double> weight(1, 1000);
    return Constraint(expression, r, required ? strength::required : weight(random));
}

double miss(const Solver& s, const Constraint& c)
{
    double e = c.expression().constant();
    for (const Term& t : c.expression().terms())
        e += t.coefficient * s.value(t.variable);
    return c.relation() == Relation::Equal         ? std::fabs(e)
           : c.relation() == Relation::LessOrEqual ? std::max(0.0, e)
                                                   : std::max(0.0, -e);
}

// The quantity the solver minimises, from the values it reports; the
// required constraints must hold.
double weightedError(const Solver& s, const std::vector<Constraint>& constraints)
{
    double total = 0;
    for (const Constraint& c : constraints) {
        if (c.isRequired())
            EXPECT_LT(miss(s, c), 1e-6) << "a required constraint doesn't hold";
        else
            total += miss(s, c) * c.strength();
    }
    return total;
}

// Adds, removals, restatements of held constraints, edit variables and
// suggestions in random order; the required constraints hold after every
// step, and the optimum reached equals that of a fresh solver given the same
// constraints (the edits as plain wishes) in another order.
TEST(Solver, IncrementalChangesMatchAFreshSolve)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        std::vector<Variable> variables(8);
        Solver incremental;
        incremental.setTracksChanges(true);
        // Every variable has a weak resting place, so that the optimum is bounded.
        std::vector<Constraint> held;
        for (std::size_t i = 0; i < variables.size(); ++i) {
            Constraint rest = (Expression(variables[i]) == double(i * 10)).withStrength(0.5);
            ASSERT_TRUE(incremental.addConstraint(rest));
            held.push_back(rest);
        }
        std::vector<Constraint> removable;
        struct EditState {
            double strength;
            double value;
        };
        std::map<std::size_t, EditState> edits;
        std::uniform_int_distribution<int> action(0, 13);
        std::uniform_int_distribution<std::size_t> pickVariable(0, variables.size() - 1);
        std::vector<double> seen(variables.size());
        for (std::size_t i = 0; i < variables.size(); ++i)
            seen[i] = incremental.value(variables[i]);
        incremental.takeChangedVariables();
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(step);
            int what = action(random);
            if (what < 3 && !removable.empty()) {
                std::uniform_int_distribution<std::size_t> pick(0, removable.size() - 1);
                std::size_t index = pick(random);
                ASSERT_TRUE(incremental.removeConstraint(removable[index]));
                held.erase(std::find(held.begin(), held.end(), removable[index]));
                removable.erase(removable.begin() + static_cast<std::ptrdiff_t>(index));
            } else if (what < 9) {
                Constraint c = randomConstraint(random, variables, what >= 7);
                if (what == 8 && !removable.empty() && removable.back().isRequired())
                    // The last one again in other words: implied by what is held.
                    c = Constraint(removable.back().expression() * -3, removable.back().relation());
                Status status = incremental.addConstraint(c);
                if (status.error() == Error::UnsatisfiableConstraint)
                    continue;
                ASSERT_TRUE(status) << describe(status.error());
                held.push_back(c);
                removable.push_back(c);
            } else {
                std::size_t k = pickVariable(random);
                auto edit = edits.find(k);
                if (edit == edits.end()) {
                    double weight = std::uniform_real_distribution<double>(1, 5000)(random);
                    ASSERT_TRUE(incremental.addEditVariable(variables[k], weight));
                    edits[k] = {weight, incremental.value(variables[k])};
                } else if (what == 13) {
                    ASSERT_TRUE(incremental.removeEditVariable(variables[k]));
                    edits.erase(edit);
                } else {
                    double value = std::uniform_real_distribution<double>(-400, 400)(random);
                    ASSERT_TRUE(incremental.suggestValue(variables[k], value));
                    edit->second.value = value;
                }
            }
            for (const Constraint& c : held)
                ASSERT_TRUE(!c.isRequired() || miss(incremental, c) < 1e-6) << "a required constraint doesn't hold";
            // What isn't reported as changed kept its value.
            auto changed = incremental.takeChangedVariables();
            for (std::size_t i = 0; i < variables.size(); ++i) {
                bool reported = std::find(changed.begin(), changed.end(), variables[i].id()) != changed.end();
                ASSERT_TRUE(reported || incremental.value(variables[i]) == seen[i]) << "an unreported change";
                seen[i] = incremental.value(variables[i]);
            }
        }

        std::vector<Constraint> all = held;
        for (const auto& [k, edit] : edits)
            all.push_back((Expression(variables[k]) == edit.value).withStrength(edit.strength));
        double incrementalError = weightedError(incremental, all);
        std::vector<Constraint> shuffled = all;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        Solver fresh;
        for (const Constraint& c : shuffled)
            ASSERT_TRUE(fresh.addConstraint(c)) << "a set that held together must hold in any order";
        double freshError = weightedError(fresh, all);
        EXPECT_NEAR(incrementalError, freshError, 1e-6 * std::max(1.0, freshError));
    }
}

TEST(Solver, RandomSuggestionsMatchAFreshSolveWithTheSameWish)
{
    std::mt19937 random(77);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::vector<Variable> variables(5);
        std::vector<Constraint> base;
        for (std::size_t i = 0; i < variables.size(); ++i)
            base.push_back((Expression(variables[i]) == 0).withStrength(1));
        Solver incremental;
        for (const Constraint& c : base)
            ASSERT_TRUE(incremental.addConstraint(c));
        for (int i = 0; i < 12; ++i) {
            Constraint c = randomConstraint(random, variables, i % 2 == 0);
            if (incremental.addConstraint(c))
                base.push_back(c);
        }
        Variable edited = variables[0];
        ASSERT_TRUE(incremental.addEditVariable(edited, 5000));
        std::uniform_real_distribution<double> suggestion(-500, 500);
        for (int i = 0; i < 6; ++i) {
            double value = suggestion(random);
            ASSERT_TRUE(incremental.suggestValue(edited, value));

            std::vector<Constraint> withWish = base;
            withWish.push_back((Expression(edited) == value).withStrength(5000));
            Solver fresh;
            for (const Constraint& c : withWish)
                ASSERT_TRUE(fresh.addConstraint(c));
            double expected = weightedError(fresh, withWish);
            EXPECT_NEAR(weightedError(incremental, withWish), expected, 1e-6 * std::max(1.0, expected));
        }
    }
}

// Solvers share nothing but the making of variables and a merge buffer of
// each thread: solvers on separate threads reach what one thread reaches.
TEST(SolverConcurrent, SeparateSolversOnSeparateThreads)
{
    auto solve = [](int seed) {
        std::mt19937 random(seed);
        std::vector<Variable> variables(6);
        Solver s;
        std::vector<Constraint> held;
        for (std::size_t i = 0; i < variables.size(); ++i)
            held.push_back((Expression(variables[i]) == double(i)).withStrength(0.5));
        for (int i = 0; i < 200; ++i)
            held.push_back(randomConstraint(random, variables, i % 3 == 0));
        std::vector<Constraint> accepted;
        for (const Constraint& c : held)
            if (s.addConstraint(c))
                accepted.push_back(c);
        return weightedError(s, accepted);
    };
    std::vector<double> alone;
    for (int seed = 0; seed < 4; ++seed)
        alone.push_back(solve(seed));
    std::vector<double> together(4);
    std::vector<std::thread> threads;
    for (int seed = 0; seed < 4; ++seed)
        threads.emplace_back([&, seed] { together[seed] = solve(seed); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(together, alone);
}

}  // namespace

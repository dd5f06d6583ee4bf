#include "reactive/CombineLatest.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EventRecorder.h"
#include "reactive/DisposeBag.h"
#include "reactive/PublishSubject.h"
#include "reactive/Unit.h"

using reactive::combineLatest;
using reactive::Disposable;
using reactive::DisposeBag;
using reactive::just;
using reactive::PublishSubject;
using reactive::Unit;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

auto recordPair(EventRecorder& recorder)
{
    return [&recorder](const std::pair<int, std::string>& pair) {
        recorder.record(std::to_string(pair.first) + pair.second);
    };
}

}  // namespace

TEST(CombineLatestTest, EmitsOnlyOnceBothSidesHaveEmitted)
{
    PublishSubject<int> numbers;
    PublishSubject<std::string> letters;
    EventRecorder recorder;
    auto subscription = combineLatest(numbers, letters).subscribe(recordPair(recorder));

    numbers.onNext(1);
    numbers.onNext(2);
    EXPECT_THAT(recorder.events(), IsEmpty());

    letters.onNext("a");
    EXPECT_THAT(recorder.take(), ElementsAre("2a"));
}

TEST(CombineLatestTest, ThenEmitsOnEveryEmissionOfEitherSideWithTheLatestOfEach)
{
    PublishSubject<int> numbers;
    PublishSubject<std::string> letters;
    EventRecorder recorder;
    auto subscription = combineLatest(numbers, letters).subscribe(recordPair(recorder));

    letters.onNext("a");
    numbers.onNext(1);
    letters.onNext("b");
    numbers.onNext(2);
    numbers.onNext(3);
    letters.onNext("c");

    EXPECT_THAT(recorder.events(), ElementsAre("1a", "1b", "2b", "3b", "3c"));
}

TEST(CombineLatestTest, CombinerFunctionShapesTheValue)
{
    PublishSubject<int> left;
    PublishSubject<int> right;
    std::vector<int> sums;
    auto subscription =
        combineLatest(left, right, [](int a, int b) { return a + b; }).subscribe([&](int sum) { sums.push_back(sum); });

    left.onNext(1);
    right.onNext(10);
    left.onNext(2);
    right.onNext(20);

    EXPECT_THAT(sums, ElementsAre(11, 12, 22));
}

TEST(CombineLatestTest, SourcesThatEmitWhileSubscribing)
{
    PublishSubject<std::string> letters;
    EventRecorder recorder;
    auto subscription = combineLatest(just(7), letters.asObservable()).subscribe(recordPair(recorder));
    letters.onNext("x");
    letters.onNext("y");

    auto both = combineLatest(just(1), just(std::string("z"))).subscribe(recordPair(recorder));

    EXPECT_THAT(recorder.events(), ElementsAre("7x", "7y", "1z"));
}

TEST(CombineLatestTest, DisposingEndsBothSubscriptions)
{
    PublishSubject<int> numbers;
    PublishSubject<std::string> letters;
    EventRecorder recorder;
    auto subscription = combineLatest(numbers, letters).subscribe(recordPair(recorder));
    EXPECT_TRUE(numbers.hasObservers());
    EXPECT_TRUE(letters.hasObservers());

    numbers.onNext(1);
    letters.onNext("a");
    subscription.dispose();
    numbers.onNext(2);

    EXPECT_THAT(recorder.events(), ElementsAre("1a"));
    EXPECT_FALSE(numbers.hasObservers());
    EXPECT_FALSE(letters.hasObservers());
}

TEST(CombineLatestTest, Completion)
{
    struct Case {
        const char* name;
        bool leftEmits;
        bool rightEmits;
        bool completeLeft;
        bool completeRight;
        bool completed;
    };
    const Case cases[] = {
        {.name = "both emitted, both complete",
         .leftEmits = true,
         .rightEmits = true,
         .completeLeft = true,
         .completeRight = true,
         .completed = true},
        {.name = "both emitted, one completes",
         .leftEmits = true,
         .rightEmits = true,
         .completeLeft = true,
         .completeRight = false,
         .completed = false},
        {.name = "left completes without a value",
         .leftEmits = false,
         .rightEmits = true,
         .completeLeft = true,
         .completeRight = false,
         .completed = true},
        {.name = "right completes without a value",
         .leftEmits = true,
         .rightEmits = false,
         .completeLeft = false,
         .completeRight = true,
         .completed = true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        PublishSubject<int> left;
        PublishSubject<int> right;
        bool completed = false;
        auto subscription =
            combineLatest(left, right).subscribe([](const std::pair<int, int>&) {}, [&] { completed = true; });
        if (row.leftEmits)
            left.onNext(1);
        if (row.rightEmits)
            right.onNext(2);
        if (row.completeLeft)
            left.onCompleted();
        if (row.completeRight)
            right.onCompleted();
        EXPECT_EQ(completed, row.completed);
        EXPECT_EQ(subscription.isDisposed(), row.completed);
        if (row.completed) {
            EXPECT_FALSE(left.hasObservers());
            EXPECT_FALSE(right.hasObservers());
        }
    }
}

TEST(CombineLatestTest, HandlerMayEmitIntoASideAgain)
{
    PublishSubject<int> left;
    PublishSubject<int> right;
    EventRecorder recorder;
    auto subscription = combineLatest(left, right).subscribe([&](const std::pair<int, int>& pair) {
        recorder.record(std::to_string(pair.first) + "," + std::to_string(pair.second));
        if (pair.first == 1)
            left.onNext(2);
    });
    right.onNext(0);
    left.onNext(1);

    EXPECT_THAT(recorder.events(), ElementsAre("1,0", "2,0"));
}

// The save stream of the shortcut registry: a change signal combined with the
// "remember" preference. Nothing is saved before the first change signal;
// after it, every signal and every change of the preference saves at once.
TEST(CombineLatestTest, ChangeSignalGatesThePreferenceStream)
{
    PublishSubject<Unit> shortcutsChanged;
    PublishSubject<std::optional<bool>> rememberShortcuts;
    EventRecorder recorder;
    DisposeBag disposeBag;
    combineLatest(shortcutsChanged,
                  rememberShortcuts.asObservable().map([](std::optional<bool> value) { return value.value_or(false); }))
        .bind([&](const std::pair<Unit, bool>& pair) { recorder.record(pair.second ? "save" : "remove"); })
        .disposed(disposeBag);

    rememberShortcuts.onNext(true);  // the initial value
    rememberShortcuts.onNext(false);
    rememberShortcuts.onNext(true);
    EXPECT_THAT(recorder.take(), IsEmpty());

    shortcutsChanged.onNext();
    EXPECT_THAT(recorder.take(), ElementsAre("save"));

    rememberShortcuts.onNext(false);
    rememberShortcuts.onNext(std::nullopt);
    rememberShortcuts.onNext(true);
    shortcutsChanged.onNext();
    EXPECT_THAT(recorder.take(), ElementsAre("remove", "remove", "save", "save"));
}

#pragma once

#include "appkit/AppKitDefines.h"
#include "appkit/NSLayoutConstraint.h"
#include "foundation/String.h"
#include "solver/Solver.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class NSLayoutGuide;
class NSObject;
class NSView;

namespace detail {

// The weight the solver gives a priority below required. It grows tenfold
// every 200 points, so that what is far apart stays apart when many
// constraints add up (one at 750 outweighs three hundred at 250), while
// neighbouring priorities (749, 750, 751) still order one against one.
double layoutWeight(NSLayoutPriority priority);

// A linear constraint of at most four terms in the engine's own variables:
// what an NSLayoutConstraint, an autoresizing mask, an intrinsic size or a
// root's size comes to. Comparing two tells whether the solver needs to
// hear about a change at all.
struct LinearConstraint {
    static constexpr int kMaxTerms = 4;
    std::array<solver::Variable, kMaxTerms> variables{solver::Variable(nullptr), solver::Variable(nullptr),
                                                      solver::Variable(nullptr), solver::Variable(nullptr)};
    std::array<double, kMaxTerms> coefficients{};
    int count = 0;
    double constant = 0;
    solver::Relation relation = solver::Relation::Equal;
    double strength = solver::strength::required;

    void add(solver::Variable variable, double coefficient);
    bool isFinite() const;
    bool sameAs(const LinearConstraint& other) const;
    solver::Constraint constraint() const;
};

// How the root of a tree is held.
enum class RootMode {
    // A window's content view: the window's size, unless the content
    // insists (above NSLayoutPriorityWindowSizeStayPut), then the window
    // follows.
    Window,
    // A view with no superview and no window: its frame, as long as it
    // translates its mask; otherwise its constraints decide its size.
    Detached,
    // Measuring: as small as the subtree's constraints allow.
    Fitting,
};

// The constraints of one view tree in a solver. The engine is a cache of
// what the tree asks: each sync reads the tree (the active constraints
// installed in it, the autoresizing masks, intrinsic sizes, layout guides,
// directions and insets) and tells the solver only what changed, removals
// first so that a set of constraints swapped for another never meets it.
//
// Every item has four variables, its alignment rectangle in the tree's
// layout space: origin at the root's top left, y growing downwards, so
// that top and bottom mean what they say whatever the flipping.
class LayoutEngine {
public:
    explicit LayoutEngine(RootMode mode)
        : mode_(mode)
    {
        solver_.setTracksChanges(true);
    }

    // Reads the whole tree. False when nothing in it asks for
    // constraint-based layout; the solver is then emptied and frames stay
    // as they are set.
    bool sync(const NSView& root);
    // Reads again only the views given, of a tree read before: what they
    // ask of their own (their constraints, mask, intrinsic size, guides);
    // views new to the tree among them too.
    void update(const std::vector<const NSView*>& views);
    // A subtree leaves the tree, or a guide its view: what they asked goes.
    void forget(const NSView& subtree);
    void forget(const NSLayoutGuide& guide);
    bool inUse() const { return inUse_; }

    bool holds(const NSObject& item) const { return items_.contains(&item); }
    // A view's frame in its superview's coordinates (the root's: at the
    // origin), as the constraints place it.
    NSRect frameInSuperview(const NSView& view) const;
    NSRect guideFrame(const NSLayoutGuide& guide) const;
    NSSize rootFrameSize() const;
    // The items whose rectangles may have moved since the last call.
    std::vector<const NSObject*> takeMovedItems();

private:
    struct Item {
        solver::Variable left, top, width, height;
        // The insets of a view's alignment rectangle, as last read.
        double insetTop = 0, insetLeft = 0, insetBottom = 0, insetRight = 0;
        bool flipped = false;
        std::uint64_t generation = 0;
    };
    struct Rect {
        double left, top, width, height;
    };
    // What a generated constraint is, to name it in a log line.
    enum class Kind { User, Autoresizing, ContentSize, Root };
    struct Key {
        const void* owner;
        int slot;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept
        {
            return std::hash<const void*>()(key.owner) * 31 + std::hash<int>()(key.slot);
        }
    };
    struct Entry {
        LinearConstraint linear;
        solver::Constraint constraint;
        std::uint64_t generation = 0;
        // What a log line needs to name it.
        Kind kind = Kind::User;
        std::weak_ptr<NSLayoutConstraint> user;
        const NSView* view = nullptr;
        int slot = 0;
    };
    using Keys = std::vector<Key>;
    struct Wanted {
        Key key;
        LinearConstraint linear;
        Kind kind;
        std::shared_ptr<NSLayoutConstraint> user;
        const NSView* view = nullptr;
    };

    Item& itemFor(const NSObject& item);
    void eraseItem(const NSObject& item);
    const Item* find(const NSObject* item) const;
    void addAttribute(LinearConstraint& linear, const NSObject& item, NSLayoutAttribute attribute, double factor) const;
    std::optional<LinearConstraint> linearFor(const NSLayoutConstraint& constraint) const;
    void wantView(const NSView& view, std::vector<Wanted>& wanted);
    void wantGenerated(const NSView& view, const NSView* superview, bool isRoot, std::vector<Wanted>& wanted);
    void wantIntrinsic(const NSView& view, std::vector<Wanted>& wanted);
    void apply(std::vector<Wanted>& wanted, const std::vector<const NSView*>* only);
    static String describe(Kind kind, const NSLayoutConstraint* user, const NSView& view, int slot,
                           const LinearConstraint& linear);
    static String describe(const Entry& entry);
    void addToSolver(Entry& entry);
    Rect frameRect(const Item& item) const;
    Rect alignmentRect(const Item& item) const;

    RootMode mode_;
    bool inUse_ = false;
    solver::Solver solver_;
    std::unordered_map<const NSObject*, Item> items_;
    std::unordered_map<std::uint64_t, const NSObject*> itemOfVariable_;
    std::unordered_map<Key, Entry, KeyHash> entries_;
    // What each view asked for at its last reading.
    std::unordered_map<const NSView*, Keys> keysOf_;
    const NSView* root_ = nullptr;
    // Entries marked in the current reading; items seen in the last full one.
    std::uint64_t generation_ = 0;
    std::uint64_t itemGeneration_ = 0;
};

}  // namespace detail

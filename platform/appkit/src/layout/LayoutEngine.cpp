#include "layout/LayoutEngine.h"

#include "appkit/NSApplication.h"
#include "appkit/NSLayoutGuide.h"
#include "appkit/NSView.h"
#include "foundation/Log.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace detail {

double layoutWeight(NSLayoutPriority priority)
{
    double p = std::clamp(double(priority), 1.0, 999.0);
    return std::pow(10.0, p / 200.0);
}

namespace {

solver::Relation relationFor(NSLayoutRelation relation)
{
    switch (relation) {
    case NSLayoutRelationLessThanOrEqual:
        return solver::Relation::LessOrEqual;
    case NSLayoutRelationGreaterThanOrEqual:
        return solver::Relation::GreaterOrEqual;
    case NSLayoutRelationEqual:
        break;
    }
    return solver::Relation::Equal;
}

double strengthFor(NSLayoutPriority priority)
{
    return priority >= NSLayoutPriorityRequired ? solver::strength::required : layoutWeight(priority);
}

// Values come out of the simplex with rounding dust; frames should read as
// the numbers the constraints say.
double tidy(double value)
{
    double rounded = std::round(value * 1e6) / 1e6;
    return rounded == 0 ? 0 : rounded;
}

const char* relationText(solver::Relation relation)
{
    switch (relation) {
    case solver::Relation::LessOrEqual:
        return "<=";
    case solver::Relation::GreaterOrEqual:
        return ">=";
    case solver::Relation::Equal:
        break;
    }
    return "==";
}

String itemName(const NSObject& item)
{
    String identifier;
    if (auto* view = dynamic_cast<const NSView*>(&item))
        identifier = view->identifier();
    else if (auto* guide = dynamic_cast<const NSLayoutGuide*>(&item))
        identifier = guide->identifier();
    if (identifier.empty())
        return item.className();
    return String::format("%s'%s'", item.className().utf8().c_str(), identifier.utf8().c_str());
}

bool isRightToLeft(const NSObject& item)
{
    const NSView* view = dynamic_cast<const NSView*>(&item);
    std::shared_ptr<NSView> owner;
    if (!view) {
        if (auto* guide = dynamic_cast<const NSLayoutGuide*>(&item))
            owner = guide->owningView();
        view = owner.get();
    }
    return view && view->userInterfaceLayoutDirection() == NSUserInterfaceLayoutDirectionRightToLeft;
}

}  // namespace

// --- Linear constraints ------------------------------------------------------

void LinearConstraint::add(solver::Variable variable, double coefficient)
{
    for (int i = 0; i < count; ++i)
        if (variables[i].sameAs(variable)) {
            coefficients[i] += coefficient;
            return;
        }
    if (count < kMaxTerms) {
        variables[count] = variable;
        coefficients[count] = coefficient;
        ++count;
    }
}

bool LinearConstraint::isFinite() const
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(coefficients[i]))
            return false;
    return std::isfinite(constant);
}

bool LinearConstraint::sameAs(const LinearConstraint& other) const
{
    if (count != other.count || relation != other.relation || strength != other.strength || constant != other.constant)
        return false;
    for (int i = 0; i < count; ++i)
        if (!variables[i].sameAs(other.variables[i]) || coefficients[i] != other.coefficients[i])
            return false;
    return true;
}

solver::Constraint LinearConstraint::constraint() const
{
    solver::Expression expression(constant);
    for (int i = 0; i < count; ++i)
        expression += solver::Term{variables[i], coefficients[i]};
    return solver::Constraint(expression, relation, strength);
}

// --- Items -------------------------------------------------------------------

LayoutEngine::Item& LayoutEngine::itemFor(const NSObject& object)
{
    auto [it, added] = items_.try_emplace(&object);
    Item& item = it->second;
    item.generation = itemGeneration_;
    if (added)
        for (const auto& variable : {item.left, item.top, item.width, item.height})
            itemOfVariable_[variable.id()] = &object;
    if (auto* view = dynamic_cast<const NSView*>(&object)) {
        NSEdgeInsets insets = view->alignmentRectInsets();
        item.insetTop = insets.top;
        item.insetLeft = insets.left;
        item.insetBottom = insets.bottom;
        item.insetRight = insets.right;
        item.flipped = view->isFlipped();
    }
    return item;
}

const LayoutEngine::Item* LayoutEngine::find(const NSObject* item) const
{
    if (!item)
        return nullptr;
    auto it = items_.find(item);
    return it == items_.end() || it->second.generation != itemGeneration_ ? nullptr : &it->second;
}

// Adds `factor` times the attribute of the item (its alignment rectangle).
void LayoutEngine::addAttribute(LinearConstraint& linear, const NSObject& object, NSLayoutAttribute attribute,
                                double factor) const
{
    const Item& item = *find(&object);
    auto* view = dynamic_cast<const NSView*>(&object);
    if (attribute == NSLayoutAttributeLeading || attribute == NSLayoutAttributeTrailing) {
        // Right to left, the axis of leading and trailing runs the other
        // way too, so that "leading + 10" still lies inside.
        if (isRightToLeft(object)) {
            factor = -factor;
            attribute = attribute == NSLayoutAttributeLeading ? NSLayoutAttributeRight : NSLayoutAttributeLeft;
        } else {
            attribute = attribute == NSLayoutAttributeLeading ? NSLayoutAttributeLeft : NSLayoutAttributeRight;
        }
    }
    switch (attribute) {
    case NSLayoutAttributeLeft:
        linear.add(item.left, factor);
        break;
    case NSLayoutAttributeRight:
        linear.add(item.left, factor);
        linear.add(item.width, factor);
        break;
    case NSLayoutAttributeTop:
        linear.add(item.top, factor);
        break;
    case NSLayoutAttributeBottom:
        linear.add(item.top, factor);
        linear.add(item.height, factor);
        break;
    case NSLayoutAttributeWidth:
        linear.add(item.width, factor);
        break;
    case NSLayoutAttributeHeight:
        linear.add(item.height, factor);
        break;
    case NSLayoutAttributeCenterX:
        linear.add(item.left, factor);
        linear.add(item.width, factor / 2);
        break;
    case NSLayoutAttributeCenterY:
        linear.add(item.top, factor);
        linear.add(item.height, factor / 2);
        break;
    case NSLayoutAttributeFirstBaseline:
        // A guide has no text: its baselines are its bottom.
        if (view) {
            linear.add(item.top, factor);
            linear.constant += factor * view->firstBaselineOffsetFromTop();
        } else {
            linear.add(item.top, factor);
            linear.add(item.height, factor);
        }
        break;
    case NSLayoutAttributeLastBaseline:
        linear.add(item.top, factor);
        linear.add(item.height, factor);
        if (view)
            linear.constant -= factor * view->baselineOffsetFromBottom();
        break;
    default:
        break;
    }
}

std::optional<LinearConstraint> LayoutEngine::linearFor(const NSLayoutConstraint& constraint) const
{
    auto first = constraint.firstItem();
    auto second = constraint.secondItem();
    if (!find(first.get()) || (second && !find(second.get())))
        return std::nullopt;
    LinearConstraint linear;
    addAttribute(linear, *first, constraint.firstAttribute(), 1);
    if (second)
        addAttribute(linear, *second, constraint.secondAttribute(), -constraint.multiplier());
    linear.constant -= constraint.constant();
    linear.relation = relationFor(constraint.relation());
    linear.strength = strengthFor(constraint.priority());
    return linear;
}

// --- Generated constraints -----------------------------------------------------

void LayoutEngine::wantIntrinsic(const NSView& view, std::vector<Wanted>& wanted)
{
    const Item& item = *find(&view);
    NSSize intrinsic = view.intrinsicContentSize();
    struct Axis {
        double size;
        solver::Variable variable;
        NSLayoutConstraintOrientation orientation;
    };
    const Axis axes[] = {{intrinsic.width, item.width, NSLayoutConstraintOrientationHorizontal},
                         {intrinsic.height, item.height, NSLayoutConstraintOrientationVertical}};
    for (int axis = 0; axis < 2; ++axis) {
        if (axes[axis].size == NSViewNoIntrinsicMetric || !std::isfinite(axes[axis].size))
            continue;
        // Hugging: no larger than the content; compression resistance: no smaller.
        for (int side = 0; side < 2; ++side) {
            LinearConstraint linear;
            linear.add(axes[axis].variable, 1);
            linear.constant = -axes[axis].size;
            linear.relation = side == 0 ? solver::Relation::LessOrEqual : solver::Relation::GreaterOrEqual;
            NSLayoutPriority priority =
                side == 0 ? view.contentHuggingPriorityForOrientation(axes[axis].orientation)
                          : view.contentCompressionResistancePriorityForOrientation(axes[axis].orientation);
            linear.strength = strengthFor(priority);
            wanted.push_back({{&view, 4 + axis * 2 + side}, linear, Kind::ContentSize, nullptr, &view});
        }
    }
}

void LayoutEngine::wantGenerated(const NSView& view, const NSView* superview, bool isRoot, std::vector<Wanted>& wanted)
{
    const Item& item = *find(&view);
    NSRect frame = view.frame();
    if (isRoot) {
        // Slots 8 to 11: where the root is and how large.
        LinearConstraint left, top;
        left.add(item.left, 1);
        left.constant = -item.insetLeft;
        top.add(item.top, 1);
        top.constant = -item.insetTop;
        wanted.push_back({{&view, 8}, left, Kind::Root, nullptr, &view});
        wanted.push_back({{&view, 9}, top, Kind::Root, nullptr, &view});
        double strength = solver::strength::required;
        NSSize size = frame.size;
        if (mode_ == RootMode::Fitting) {
            strength = layoutWeight(NSLayoutPriorityFittingSizeCompression);
            size = NSZeroSize;
        } else if (mode_ == RootMode::Window || !view.translatesAutoresizingMaskIntoConstraints()) {
            strength = layoutWeight(NSLayoutPriorityWindowSizeStayPut);
        }
        LinearConstraint width, height;
        width.add(item.width, 1);
        width.constant = item.insetLeft + item.insetRight - size.width;
        width.strength = strength;
        height.add(item.height, 1);
        height.constant = item.insetTop + item.insetBottom - size.height;
        height.strength = strength;
        wanted.push_back({{&view, 10}, width, Kind::Root, nullptr, &view});
        wanted.push_back({{&view, 11}, height, Kind::Root, nullptr, &view});
        if (mode_ == RootMode::Fitting || !view.translatesAutoresizingMaskIntoConstraints())
            wantIntrinsic(view, wanted);
        return;
    }
    if (!view.translatesAutoresizingMaskIntoConstraints()) {
        wantIntrinsic(view, wanted);
        return;
    }
    // Slots 0 to 3: the frame and mask as constraints relative to the
    // superview, the same sharing of a size change among the flexible
    // parts as the autoresizing of frames does.
    const Item& parent = *find(superview);
    NSRect parentFrame = superview->frame();
    NSAutoresizingMaskOptions mask = view.autoresizingMask();
    auto share = [](bool minFlexible, bool sizeFlexible, bool maxFlexible, double& atMin, double& atSize) {
        int parts = int(minFlexible) + int(sizeFlexible) + int(maxFlexible);
        atMin = parts && minFlexible ? 1.0 / parts : 0;
        atSize = parts && sizeFlexible ? 1.0 / parts : 0;
    };
    double minX, sizeX, minY, sizeY;
    share(mask & NSViewMinXMargin, mask & NSViewWidthSizable, mask & NSViewMaxXMargin, minX, sizeX);
    share(mask & NSViewMinYMargin, mask & NSViewHeightSizable, mask & NSViewMaxYMargin, minY, sizeY);
    double parentWidthInsets = parent.insetLeft + parent.insetRight;
    double parentHeightInsets = parent.insetTop + parent.insetBottom;

    // frameLeft = parentFrameLeft + x + a * (parentFrameWidth - W0)
    LinearConstraint left;
    left.add(item.left, 1);
    left.add(parent.left, -1);
    left.add(parent.width, -minX);
    left.constant =
        -item.insetLeft + parent.insetLeft - frame.origin.x - minX * (parentWidthInsets - parentFrame.size.width);
    // frameWidth = w + b * (parentFrameWidth - W0)
    LinearConstraint width;
    width.add(item.width, 1);
    width.add(parent.width, -sizeX);
    width.constant =
        item.insetLeft + item.insetRight - frame.size.width - sizeX * (parentWidthInsets - parentFrame.size.width);
    // Vertically the margins are in the superview's coordinates: from its
    // bottom unless it is flipped.
    double topShare = parent.flipped ? minY : 1 - minY - sizeY;
    double topOffset = parent.flipped ? frame.origin.y : parentFrame.size.height - frame.origin.y - frame.size.height;
    LinearConstraint top;
    top.add(item.top, 1);
    top.add(parent.top, -1);
    top.add(parent.height, -topShare);
    top.constant =
        -item.insetTop + parent.insetTop - topOffset - topShare * (parentHeightInsets - parentFrame.size.height);
    LinearConstraint height;
    height.add(item.height, 1);
    height.add(parent.height, -sizeY);
    height.constant =
        item.insetTop + item.insetBottom - frame.size.height - sizeY * (parentHeightInsets - parentFrame.size.height);
    wanted.push_back({{&view, 0}, left, Kind::Autoresizing, nullptr, &view});
    wanted.push_back({{&view, 1}, width, Kind::Autoresizing, nullptr, &view});
    wanted.push_back({{&view, 2}, top, Kind::Autoresizing, nullptr, &view});
    wanted.push_back({{&view, 3}, height, Kind::Autoresizing, nullptr, &view});
}

// --- Sync ----------------------------------------------------------------------

void LayoutEngine::wantView(const NSView& view, std::vector<Wanted>& wanted)
{
    auto superview = view.superview();
    wantGenerated(view, superview.get(), &view == root_, wanted);
    for (const auto& constraint : view.installedConstraints_) {
        if (!constraint->isActive())
            continue;
        if (auto linear = linearFor(*constraint))
            wanted.push_back({{constraint.get(), -1}, *linear, Kind::User, constraint, &view});
    }
}

bool LayoutEngine::sync(const NSView& root)
{
    ++generation_;
    ++itemGeneration_;
    root_ = &root;
    // First every item, so that constraints installed high up find the
    // items below; then what each view asks, in tree order.
    std::vector<const NSView*> views;
    bool asksForLayout = false;
    std::vector<const NSView*> stack{&root};
    while (!stack.empty()) {
        const NSView* view = stack.back();
        stack.pop_back();
        views.push_back(view);
        itemFor(*view);
        for (const auto& guide : view->layoutGuides())
            itemFor(*guide);
        if (!view->installedConstraints_.empty() || view->requiresConstraintBasedLayout() ||
            (view != &root && !view->translatesAutoresizingMaskIntoConstraints()))
            asksForLayout = true;
        const auto& subviews = view->subviews();
        for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
            stack.push_back(it->get());
    }
    if (!asksForLayout) {
        if (inUse_) {
            solver_.reset();
            entries_.clear();
            keysOf_.clear();
        }
        items_.clear();
        itemOfVariable_.clear();
        inUse_ = false;
        return false;
    }
    inUse_ = true;

    std::vector<Wanted> wanted;
    wanted.reserve(views.size() * 4);
    for (const NSView* view : views)
        wantView(*view, wanted);
    apply(wanted, nullptr);
    std::vector<const NSObject*> unseen;
    for (const auto& [object, item] : items_)
        if (item.generation != itemGeneration_)
            unseen.push_back(object);
    for (const NSObject* object : unseen)
        eraseItem(*object);
    return true;
}

std::vector<const NSObject*> LayoutEngine::takeMovedItems()
{
    std::vector<const NSObject*> moved;
    for (std::uint64_t variable : solver_.takeChangedVariables())
        if (auto it = itemOfVariable_.find(variable); it != itemOfVariable_.end())
            if (moved.empty() || moved.back() != it->second)
                moved.push_back(it->second);
    return moved;
}

void LayoutEngine::update(const std::vector<const NSView*>& views)
{
    ++generation_;
    for (const NSView* view : views) {
        itemFor(*view);
        for (const auto& guide : view->layoutGuides())
            itemFor(*guide);
    }
    std::vector<Wanted> wanted;
    for (const NSView* view : views)
        wantView(*view, wanted);
    apply(wanted, &views);
}

void LayoutEngine::eraseItem(const NSObject& object)
{
    auto it = items_.find(&object);
    if (it == items_.end())
        return;
    for (const auto& variable : {it->second.left, it->second.top, it->second.width, it->second.height})
        itemOfVariable_.erase(variable.id());
    items_.erase(it);
}

void LayoutEngine::forget(const NSView& subtree)
{
    if (!inUse_)
        return;
    std::vector<const NSView*> stack{&subtree};
    while (!stack.empty()) {
        const NSView* view = stack.back();
        stack.pop_back();
        if (auto keys = keysOf_.find(view); keys != keysOf_.end()) {
            for (const Key& key : keys->second)
                if (auto it = entries_.find(key); it != entries_.end()) {
                    solver_.removeConstraint(it->second.constraint);
                    entries_.erase(it);
                }
            keysOf_.erase(keys);
        }
        eraseItem(*view);
        for (const auto& guide : view->layoutGuides())
            eraseItem(*guide);
        for (const auto& subview : view->subviews())
            stack.push_back(subview.get());
    }
}

void LayoutEngine::forget(const NSLayoutGuide& guide)
{
    eraseItem(guide);
}

// Tells the solver what changed among the entries of the views read (all
// of them when `only` is null): what is new or different is added after
// everything that goes has gone.
void LayoutEngine::apply(std::vector<Wanted>& wanted, const std::vector<const NSView*>* only)
{
    std::vector<std::size_t> toAdd;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        auto it = entries_.find(wanted[i].key);
        if (it != entries_.end() && it->second.linear.sameAs(wanted[i].linear)) {
            it->second.generation = generation_;
            continue;
        }
        toAdd.push_back(i);
    }
    auto drop = [this](std::unordered_map<Key, Entry, KeyHash>::iterator it) {
        solver_.removeConstraint(it->second.constraint);
        return entries_.erase(it);
    };
    if (!only) {
        for (auto it = entries_.begin(); it != entries_.end();)
            it = it->second.generation != generation_ ? drop(it) : std::next(it);
        keysOf_.clear();
    } else {
        for (const NSView* view : *only) {
            auto keys = keysOf_.find(view);
            if (keys == keysOf_.end())
                continue;
            for (const Key& key : keys->second)
                if (auto it = entries_.find(key); it != entries_.end() && it->second.generation != generation_)
                    drop(it);
            keysOf_.erase(keys);
        }
    }
    for (const Wanted& w : wanted)
        keysOf_[w.view].push_back(w.key);
    for (std::size_t i : toAdd) {
        Wanted& w = wanted[i];
        if (!w.linear.isFinite()) {
            Log::error("Ignoring a layout constraint that is not a finite relation: %s",
                       describe(w.kind, w.user.get(), *w.view, w.key.slot, w.linear).utf8().c_str());
            continue;
        }
        Entry& entry = entries_[w.key];
        if (entry.constraint)
            // Moved to another view since: the old one is still in.
            solver_.removeConstraint(entry.constraint);
        entry.linear = w.linear;
        entry.generation = generation_;
        entry.kind = w.kind;
        entry.user = w.user;
        entry.view = w.view;
        entry.slot = w.key.slot;
        addToSolver(entry);
    }
}

void LayoutEngine::addToSolver(Entry& entry)
{
    entry.constraint = entry.linear.constraint();
    solver::Status status = solver_.addConstraint(entry.constraint);
    if (status.error() != solver::Error::UnsatisfiableConstraint)
        return;
    // As the platform does: say which required constraints can't hold
    // together, then let the newest of them give way, held just below
    // required, so the rest of the layout still stands.
    std::string names;
    for (const auto& conflicting : status.conflicts()) {
        for (const auto& [key, other] : entries_)
            if (other.constraint == conflicting) {
                if (!names.empty())
                    names += ", ";
                names += describe(other).utf8();
                break;
            }
    }
    Log::error("Unable to simultaneously satisfy constraints: %s. Will attempt to recover by breaking %s.",
               names.c_str(), describe(entry).utf8().c_str());
    entry.constraint = entry.constraint.withStrength(layoutWeight(NSLayoutPriorityRequired - 1));
    solver_.addConstraint(entry.constraint);
}

String LayoutEngine::describe(const Entry& entry)
{
    auto user = entry.user.lock();
    return describe(entry.kind, user.get(), *entry.view, entry.slot, entry.linear);
}

String LayoutEngine::describe(Kind kind, const NSLayoutConstraint* user, const NSView& view, int slot,
                              const LinearConstraint& linear)
{
    if (kind == Kind::User)
        return user ? user->description() : String("<NSLayoutConstraint (gone)>");
    static const char* const names[] = {"left",   "width",  "top",  "height", "width", "width",
                                        "height", "height", "left", "top",    "width", "height"};
    const char* className = kind == Kind::Autoresizing  ? "NSAutoresizingMaskLayoutConstraint"
                            : kind == Kind::ContentSize ? "NSContentSizeLayoutConstraint"
                                                        : "NSRootSizeLayoutConstraint";
    NSRect frame = view.frame();
    double value = slot == 0   ? frame.origin.x
                   : slot == 1 ? frame.size.width
                   : slot == 2 ? frame.origin.y
                   : slot == 3 ? frame.size.height
                   : slot < 8  ? -linear.constant
                   : slot < 10 ? 0
                               : -linear.constant;
    std::string text = String::format("<%s %s.%s %s %g", className, itemName(view).utf8().c_str(), names[slot],
                                      relationText(linear.relation), value)
                           .utf8();
    if (linear.strength != solver::strength::required)
        text += String::format(" @%g", std::round(200 * std::log10(linear.strength))).utf8();
    return String(text + ">");
}

// --- Results -------------------------------------------------------------------

LayoutEngine::Rect LayoutEngine::alignmentRect(const Item& item) const
{
    return {tidy(solver_.value(item.left)), tidy(solver_.value(item.top)), tidy(solver_.value(item.width)),
            tidy(solver_.value(item.height))};
}

LayoutEngine::Rect LayoutEngine::frameRect(const Item& item) const
{
    Rect r = alignmentRect(item);
    return {r.left - item.insetLeft, r.top - item.insetTop, r.width + item.insetLeft + item.insetRight,
            r.height + item.insetTop + item.insetBottom};
}

NSRect LayoutEngine::frameInSuperview(const NSView& view) const
{
    const Item* item = find(&view);
    if (!item)
        return view.frame();
    Rect frame = frameRect(*item);
    auto superview = view.superview();
    const Item* parent = superview ? find(superview.get()) : nullptr;
    if (!parent)
        return {view.frame().origin, {frame.width, frame.height}};
    Rect outer = frameRect(*parent);
    double y = parent->flipped ? frame.top - outer.top : outer.top + outer.height - frame.top - frame.height;
    return {{tidy(frame.left - outer.left), tidy(y)}, {frame.width, frame.height}};
}

NSRect LayoutEngine::guideFrame(const NSLayoutGuide& guide) const
{
    const Item* item = find(&guide);
    auto owner = guide.owningView();
    const Item* parent = owner ? find(owner.get()) : nullptr;
    if (!item || !parent)
        return guide.frame();
    Rect rect = alignmentRect(*item);
    Rect outer = frameRect(*parent);
    double y = parent->flipped ? rect.top - outer.top : outer.top + outer.height - rect.top - rect.height;
    return {{tidy(rect.left - outer.left), tidy(y)}, {rect.width, rect.height}};
}

NSSize LayoutEngine::rootFrameSize() const
{
    const Item* item = find(root_);
    if (!item)
        return NSZeroSize;
    Rect frame = frameRect(*item);
    return {frame.width, frame.height};
}

}  // namespace detail

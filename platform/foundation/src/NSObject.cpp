#include "foundation/NSObject.h"

#include "ObservationInfo.h"
#include "foundation/NSException.h"

#include <algorithm>

namespace detail {

void ObservationInfo::addRecord(std::shared_ptr<KeyRecord> record)
{
    std::lock_guard lock(mutex);
    std::erase_if(records, [](const auto& r) { return !r->alive.load(); });
    records.push_back(std::move(record));
}

void ObservationInfo::removeRecord(const KeyRecord* record)
{
    std::lock_guard lock(mutex);
    std::erase_if(records, [record](const auto& r) { return r.get() == record; });
}

std::vector<std::shared_ptr<KeyRecord>> ObservationInfo::recordsForKey(const String& key)
{
    std::lock_guard lock(mutex);
    std::vector<std::shared_ptr<KeyRecord>> result;
    for (const auto& record : records) {
        if (record->key == key && record->alive.load())
            result.push_back(record);
    }
    return result;
}

std::shared_ptr<PathNode> PathNode::make(NSObject& object, const String& keyPath, std::function<void()> will,
                                         std::function<void()> did)
{
    std::shared_ptr<PathNode> node(new PathNode());
    node->will_ = std::move(will);
    node->did_ = std::move(did);
    node->attach(object, keyPath);
    return node;
}

PathNode::~PathNode()
{
    detach();
}

void PathNode::attach(NSObject& object, const String& keyPath)
{
    object_ = object.weak_from_this();
    objectIsShared_ = !object_.expired();
    objectPointer_ = &object;
    auto dot = keyPath.find(".");
    key_ = dot == String::npos ? keyPath : keyPath.substring(0, dot);
    rest_ = dot == String::npos ? String() : keyPath.substring(dot + 1);

    std::weak_ptr<PathNode> weakSelf = weak_from_this();
    record_ = std::make_shared<KeyRecord>();
    record_->key = key_;
    record_->will = [weakSelf] {
        if (auto self = weakSelf.lock())
            self->changeWillHappen();
    };
    record_->did = [weakSelf] {
        if (auto self = weakSelf.lock())
            self->changeDidHappen();
    };

    // A key that affects this one announces a change of this one.
    for (const String& affecting : object.keyPathsForValuesAffectingValueForKey(key_))
        dependents_.push_back(make(object, affecting, record_->will, record_->did));
    object.observationInfo().addRecord(record_);
    rebuildChild();
}

void PathNode::detach()
{
    std::shared_ptr<PathNode> child;
    std::vector<std::shared_ptr<PathNode>> dependents;
    {
        std::lock_guard lock(mutex_);
        child = std::move(child_);
        dependents = std::move(dependents_);
    }
    if (record_) {
        record_->alive = false;
        if (auto object = object_.lock())
            object->observationInfo().removeRecord(record_.get());
    }
    if (child)
        child->detach();
    for (auto& dependent : dependents)
        dependent->detach();
}

void PathNode::changeWillHappen()
{
    if (record_->alive && will_)
        will_();
}

void PathNode::changeDidHappen()
{
    if (!record_->alive)
        return;
    rebuildChild();
    if (did_)
        did_();
}

void PathNode::rebuildChild()
{
    if (rest_.empty())
        return;
    // An object not owned by a shared pointer is kept alive by its owner for
    // as long as it is observed; a shared one may be gone already.
    std::shared_ptr<NSObject> hold = object_.lock();
    NSObject* object = objectIsShared_ ? hold.get() : objectPointer_;
    std::shared_ptr<PathNode> next;
    if (object && record_->alive) {
        Id value = object->valueForKey(key_);
        if (auto nested = value.objectReference())
            next = make(*nested, rest_, will_, did_);
    }
    std::shared_ptr<PathNode> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(child_, std::move(next));
    }
    if (previous)
        previous->detach();
}

Id Registration::currentValue() const
{
    return root->valueForKeyPath(keyPath);
}

static Id reported(const Id& value)
{
    return value.isNil() ? Id::null() : value;
}

void Registration::will()
{
    if (!alive)
        return;
    Id old;
    bool wantsOld = options & NSKeyValueObservingOptionOld;
    if (wantsOld)
        old = currentValue();
    {
        std::lock_guard lock(mutex);
        pendingOldValues.push_back(old);
    }
    if (options & NSKeyValueObservingOptionPrior) {
        KeyValueChange change;
        change.isPrior = true;
        change.hasOld = wantsOld;
        change.oldValue = wantsOld ? reported(old) : Id();
        deliver(change);
    }
}

void Registration::did()
{
    if (!alive)
        return;
    KeyValueChange change;
    bool opened = false;
    {
        std::lock_guard lock(mutex);
        if (!pendingOldValues.empty()) {
            change.oldValue = pendingOldValues.back();
            pendingOldValues.pop_back();
            opened = true;
        }
    }
    if (options & NSKeyValueObservingOptionOld) {
        change.hasOld = true;
        change.oldValue = reported(opened ? change.oldValue : Id());
    } else {
        change.oldValue = Id();
    }
    if (options & NSKeyValueObservingOptionNew) {
        change.hasNew = true;
        change.newValue = reported(currentValue());
    }
    deliver(change);
}

void Registration::deliver(const KeyValueChange& change)
{
    if (!alive)
        return;
    std::shared_ptr<NSObject> keepAlive;
    if (observerIsShared) {
        keepAlive = observerReference.lock();
        if (!keepAlive)
            return;
    }
    observer->observeValueForKeyPath(keyPath, root, change, context);
}

}  // namespace detail

using detail::ObservationInfo;
using detail::Registration;

const ClassDescriptor& NSObject::descriptor()
{
    static const ClassDescriptor d("NSObject", nullptr, nullptr);
    return d;
}

NSObject::NSObject() = default;

NSObject::~NSObject()
{
    // Registrations die with the observed object; their nodes let go of the
    // objects further along their key paths.
    std::unique_ptr<ObservationInfo> info(observationInfo_.exchange(nullptr));
    if (!info)
        return;
    std::vector<std::shared_ptr<Registration>> registrations;
    {
        std::lock_guard lock(info->mutex);
        registrations.swap(info->registrations);
        for (auto& record : info->records)
            record->alive = false;
    }
    for (auto& registration : registrations) {
        registration->alive = false;
        if (registration->node)
            registration->node->detach();
    }
}

detail::ObservationInfo& NSObject::observationInfo()
{
    ObservationInfo* info = observationInfo_.load(std::memory_order_acquire);
    if (info)
        return *info;
    auto* created = new ObservationInfo();
    if (observationInfo_.compare_exchange_strong(info, created, std::memory_order_acq_rel))
        return *created;
    delete created;
    return *info;
}

Id NSObject::performSelector(Selector selector, std::span<const Id> arguments)
{
    const Method* method = methodForSelector(selector);
    if (!method)
        NSException::raise(NSInvalidArgumentException, "-[%s %s]: unrecognized selector sent to instance %p",
                           className().utf8().c_str(), selector.name(), static_cast<void*>(this));
    if (static_cast<int>(arguments.size()) != method->arity)
        NSException::raise(NSInvalidArgumentException, "-[%s %s]: takes %d arguments, given %zu",
                           className().utf8().c_str(), selector.name(), method->arity, arguments.size());
    return method->implementation(*this, arguments);
}

Id NSObject::performSelector(Selector selector, const Id& argument)
{
    return performSelector(selector, std::span<const Id>(&argument, 1));
}

Id NSObject::performSelectorWithOptionalArgument(Selector selector, const Id& argument)
{
    const Method* method = methodForSelector(selector);
    if (method && method->arity == 0)
        return performSelector(selector);
    return performSelector(selector, argument);
}

bool NSObject::isEqual(const Id& other) const
{
    return other.objectPointer() == this;
}

std::size_t NSObject::hash() const
{
    return std::hash<const void*>()(this);
}

String NSObject::description() const
{
    return String::format("<%s: %p>", className().utf8().c_str(), static_cast<const void*>(this));
}

Id NSObject::valueForKey(const String& key)
{
    if (const Property* property = classDescriptor().findProperty(key))
        return property->getter(*this);
    return valueForUndefinedKey(key);
}

void NSObject::setValueForKey(const Id& value, const String& key)
{
    const Property* property = classDescriptor().findProperty(key);
    if (property && property->setter)
        property->setter(*this, value);
    else
        setValueForUndefinedKey(value, key);
}

Id NSObject::valueForKeyPath(const String& keyPath)
{
    auto dot = keyPath.find(".");
    if (dot == String::npos)
        return valueForKey(keyPath);
    return ::valueForKeyPath(valueForKey(keyPath.substring(0, dot)), keyPath.substring(dot + 1));
}

void NSObject::setValueForKeyPath(const Id& value, const String& keyPath)
{
    auto dot = keyPath.find(".");
    if (dot == String::npos) {
        setValueForKey(value, keyPath);
        return;
    }
    Id next = valueForKey(keyPath.substring(0, dot));
    if (auto object = next.objectReference())
        object->setValueForKeyPath(value, keyPath.substring(dot + 1));
}

Id NSObject::valueForUndefinedKey(const String& key)
{
    NSException::raise(NSUndefinedKeyException,
                       "[<%s %p> valueForUndefinedKey:]: this class is not key value coding-compliant for the key %s.",
                       className().utf8().c_str(), static_cast<void*>(this), key.utf8().c_str());
}

void NSObject::setValueForUndefinedKey(const Id&, const String& key)
{
    NSException::raise(
        NSUndefinedKeyException,
        "[<%s %p> setValue:forUndefinedKey:]: this class is not key value coding-compliant for the key %s.",
        className().utf8().c_str(), static_cast<void*>(this), key.utf8().c_str());
}

void NSObject::addObserver(NSObject& observer, const String& keyPath, unsigned options, void* context)
{
    auto registration = std::make_shared<Registration>();
    registration->root = this;
    registration->observer = &observer;
    registration->observerReference = observer.weak_from_this();
    registration->observerIsShared = !registration->observerReference.expired();
    registration->keyPath = keyPath;
    registration->options = options;
    registration->context = context;
    std::weak_ptr<Registration> weak = registration;
    registration->node = detail::PathNode::make(
        *this, keyPath,
        [weak] {
            if (auto r = weak.lock())
                r->will();
        },
        [weak] {
            if (auto r = weak.lock())
                r->did();
        });
    {
        auto& info = observationInfo();
        std::lock_guard lock(info.mutex);
        info.registrations.push_back(registration);
    }
    if (options & NSKeyValueObservingOptionInitial) {
        KeyValueChange change;
        if (options & NSKeyValueObservingOptionNew) {
            change.hasNew = true;
            change.newValue = detail::reported(registration->currentValue());
        }
        registration->deliver(change);
    }
}

void NSObject::removeObserver(NSObject& observer, const String& keyPath, void* context)
{
    std::shared_ptr<Registration> removed;
    {
        auto& info = observationInfo();
        std::lock_guard lock(info.mutex);
        auto& list = info.registrations;
        // The most recent matching registration goes first, as on the platform.
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            if ((*it)->observer == &observer && (*it)->keyPath == keyPath && (*it)->context == context) {
                removed = *it;
                list.erase(std::next(it).base());
                break;
            }
        }
    }
    if (!removed)
        NSException::raise(NSRangeException,
                           "Cannot remove an observer <%s %p> for the key path \"%s\" from <%s %p> because it is not "
                           "registered as an observer.",
                           observer.className().utf8().c_str(), static_cast<void*>(&observer), keyPath.utf8().c_str(),
                           className().utf8().c_str(), static_cast<void*>(this));
    removed->alive = false;
    removed->node->detach();
}

void NSObject::removeObserver(NSObject& observer, const String& keyPath)
{
    void* context = nullptr;
    {
        auto& info = observationInfo();
        std::lock_guard lock(info.mutex);
        for (auto it = info.registrations.rbegin(); it != info.registrations.rend(); ++it) {
            if ((*it)->observer == &observer && (*it)->keyPath == keyPath) {
                context = (*it)->context;
                break;
            }
        }
    }
    removeObserver(observer, keyPath, context);
}

void NSObject::observeValueForKeyPath(const String&, NSObject*, const KeyValueChange&, void*)
{
    // Nothing of ours listens at this level: a change for a context no
    // subclass claimed ends here.
}

// A key with a dot in it announces a whole key path of this object: it
// reaches the observers registered for exactly that path, as on the
// platform, where controllers announce "selection.<key>" themselves.
static std::vector<std::shared_ptr<Registration>> registrationsForKeyPath(ObservationInfo& info, const String& keyPath)
{
    std::vector<std::shared_ptr<Registration>> result;
    if (keyPath.find(".") == String::npos)
        return result;
    std::lock_guard lock(info.mutex);
    for (const auto& registration : info.registrations) {
        if (registration->alive && registration->keyPath == keyPath)
            result.push_back(registration);
    }
    return result;
}

void NSObject::willChangeValueForKey(const String& key)
{
    ObservationInfo* info = observationInfo_.load(std::memory_order_acquire);
    if (!info)
        return;
    for (const auto& record : info->recordsForKey(key)) {
        if (record->alive)
            record->will();
    }
    for (const auto& registration : registrationsForKeyPath(*info, key))
        registration->will();
}

void NSObject::didChangeValueForKey(const String& key)
{
    ObservationInfo* info = observationInfo_.load(std::memory_order_acquire);
    if (!info)
        return;
    for (const auto& record : info->recordsForKey(key)) {
        if (record->alive)
            record->did();
    }
    for (const auto& registration : registrationsForKeyPath(*info, key))
        registration->did();
}

bool NSObject::automaticallyNotifiesObserversForKey(const String&) const
{
    return true;
}

std::vector<String> NSObject::keyPathsForValuesAffectingValueForKey(const String&) const
{
    return {};
}

Id valueForKey(const Id& target, const String& key)
{
    if (const Dictionary* dictionary = target.dictionary())
        return dictionary->objectForKey(key);
    if (auto object = target.objectReference())
        return object->valueForKey(key);
    return {};
}

Id valueForKeyPath(const Id& target, const String& keyPath)
{
    if (auto object = target.objectReference())
        return object->valueForKeyPath(keyPath);
    auto dot = keyPath.find(".");
    if (dot == String::npos)
        return valueForKey(target, keyPath);
    return valueForKeyPath(valueForKey(target, keyPath.substring(0, dot)), keyPath.substring(dot + 1));
}

namespace {

class BlockObserver final : public NSObject {
public:
    explicit BlockObserver(std::function<void(const KeyValueChange&)> handler)
        : handler_(std::move(handler))
    {
    }
    void observeValueForKeyPath(const String&, NSObject*, const KeyValueChange& change, void*) override
    {
        if (active_ && handler_)
            handler_(change);
    }
    std::atomic<bool> active_{true};

private:
    std::function<void(const KeyValueChange&)> handler_;
};

}  // namespace

ObservationToken observe(NSObject& object, const String& keyPath, unsigned options,
                         std::function<void(const KeyValueChange&)> handler)
{
    ObservationToken token;
    token.object_ = object.weak_from_this();
    token.keyPath_ = keyPath;
    token.observer_ = std::make_shared<BlockObserver>(std::move(handler));
    object.addObserver(*token.observer_, keyPath, options, nullptr);
    return token;
}

ObservationToken& ObservationToken::operator=(ObservationToken&& other) noexcept
{
    if (this != &other) {
        reset();
        object_ = std::move(other.object_);
        keyPath_ = std::move(other.keyPath_);
        observer_ = std::move(other.observer_);
    }
    return *this;
}

ObservationToken::~ObservationToken()
{
    reset();
}

void ObservationToken::reset()
{
    if (!observer_)
        return;
    static_cast<BlockObserver&>(*observer_).active_ = false;
    if (auto object = object_.lock()) {
        try {
            object->removeObserver(*observer_, keyPath_, nullptr);
        } catch (const NSException&) {
            // Already gone with its object's registrations: nothing to undo.
        }
    }
    observer_.reset();
}

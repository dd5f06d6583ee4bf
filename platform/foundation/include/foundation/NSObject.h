#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// Options of an observation, with the platform's values.
enum NSKeyValueObservingOptions : unsigned {
    NSKeyValueObservingOptionNew = 1,
    NSKeyValueObservingOptionOld = 2,
    NSKeyValueObservingOptionInitial = 4,
    NSKeyValueObservingOptionPrior = 8,
};

// What an observer is told. A nil value is reported as the null marker, as the
// platform's change dictionaries do; `hasNew`/`hasOld` say whether the entry
// is there at all.
struct KeyValueChange {
    Id newValue;
    Id oldValue;
    bool hasNew = false;
    bool hasOld = false;
    bool isPrior = false;
};

namespace detail {
struct ObservationInfo;
class BindingTable;
}

// The root of the object model: class identity, dynamic messages, key-value
// coding and key-value observing. Objects are owned through std::shared_ptr;
// make them with std::make_shared (or a class's own factory).
class NSObject : public std::enable_shared_from_this<NSObject> {
public:
    NSObject();
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;
    virtual ~NSObject();

    static const ClassDescriptor& descriptor();
    virtual const ClassDescriptor& classDescriptor() const { return descriptor(); }
    const String& className() const { return classDescriptor().name(); }
    bool isKindOfClass(const ClassDescriptor& cls) const { return classDescriptor().isSubclassOf(cls); }
    template <class T> bool isKindOf() const { return isKindOfClass(T::descriptor()); }
    bool isMemberOfClass(const ClassDescriptor& cls) const { return &classDescriptor() == &cls; }

    // Dynamic messages.
    bool respondsToSelector(Selector selector) const { return methodForSelector(selector) != nullptr; }
    const Method* methodForSelector(Selector selector) const { return classDescriptor().findMethod(selector); }
    // Sends the message; raises an invalid-argument exception when the
    // receiver doesn't respond to it or the argument count is wrong.
    Id performSelector(Selector selector, std::span<const Id> arguments = {});
    Id performSelector(Selector selector, const Id& argument);
    // Sends the message with `argument`, or with none when the method takes
    // none: what timers, notifications and delayed performs hand over is
    // something the receiver may ignore.
    Id performSelectorWithOptionalArgument(Selector selector, const Id& argument);

    virtual bool isEqual(const Id& other) const;
    virtual std::size_t hash() const;
    virtual String description() const;

    // Key-value coding.
    virtual Id valueForKey(const String& key);
    virtual void setValueForKey(const Id& value, const String& key);
    virtual Id valueForKeyPath(const String& keyPath);
    virtual void setValueForKeyPath(const Id& value, const String& keyPath);
    virtual Id valueForUndefinedKey(const String& key);
    virtual void setValueForUndefinedKey(const Id& value, const String& key);

    // Key-value observing. The observer is held weakly: one that is released
    // receives nothing more. Removal matches the observer, the key path and,
    // in the three-argument form, the context.
    void addObserver(NSObject& observer, const String& keyPath, unsigned options, void* context);
    void removeObserver(NSObject& observer, const String& keyPath, void* context);
    void removeObserver(NSObject& observer, const String& keyPath);
    virtual void observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                        void* context);

    virtual void willChangeValueForKey(const String& key);
    virtual void didChangeValueForKey(const String& key);
    // False for keys whose setters announce their changes themselves.
    virtual bool automaticallyNotifiesObserversForKey(const String& key) const;
    // Key paths (relative to this object) whose changes are changes of `key`.
    virtual std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const;

    // For setters of automatically notifying properties: runs `body` between
    // will- and did-change unless automatic notification is off for the key.
    template <class F> void automaticChange(const String& key, F&& body)
    {
        bool notify = automaticallyNotifiesObserversForKey(key);
        if (notify)
            willChangeValueForKey(key);
        body();
        if (notify)
            didChangeValueForKey(key);
    }

    // Bindings (see NSKeyValueBinding.h): the receiver's key named by
    // `binding` follows `keyPath` of `observable`, an object. Binding a name
    // again replaces the earlier binding; infoForBinding answers nil for a
    // name that is not bound.
    virtual void bind(const String& binding, const Id& observable, const String& keyPath, const Dictionary& options);
    virtual void unbind(const String& binding);
    virtual Id infoForBinding(const String& binding);

    // Internal: the observation records of this object.
    detail::ObservationInfo& observationInfo();
    // Internal: this object's bindings; nullptr until it has one.
    detail::BindingTable* bindingTable(bool create);

protected:
    static void describe(ClassDescriptor&) { }

private:
    std::atomic<detail::ObservationInfo*> observationInfo_{nullptr};
    // Destroyed after the body of the destructor, which leaves the bindings'
    // observations of other objects to be taken down last.
    std::shared_ptr<detail::BindingTable> bindings_;
};

// Key paths over any value: dictionaries answer their entries, objects their
// key-value coding; everything else answers nil.
Id valueForKeyPath(const Id& target, const String& keyPath);
Id valueForKey(const Id& target, const String& key);

// An observation for C++ callers: the handler is called with every change
// until the token is destroyed or reset.
class ObservationToken {
public:
    ObservationToken() = default;
    ObservationToken(ObservationToken&&) noexcept = default;
    ObservationToken& operator=(ObservationToken&& other) noexcept;
    ~ObservationToken();

    void reset();
    explicit operator bool() const { return observer_ != nullptr; }

private:
    friend ObservationToken observe(NSObject&, const String&, unsigned, std::function<void(const KeyValueChange&)>);
    std::weak_ptr<NSObject> object_;
    String keyPath_;
    std::shared_ptr<NSObject> observer_;
};

[[nodiscard]] ObservationToken observe(NSObject& object, const String& keyPath, unsigned options,
                                       std::function<void(const KeyValueChange&)> handler);

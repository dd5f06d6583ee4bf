#pragma once

#include "foundation/Id.h"
#include "foundation/Selector.h"

#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class NSObject;

// What a method gives back, as far as callers that reach it dynamically care:
// a Boolean answer is read, any other answer is not.
enum class ReturnKind { Void, Boolean, Object };

struct Method {
    using Implementation = std::function<Id(NSObject& self, std::span<const Id> arguments)>;

    Selector selector;
    int arity = 0;  // arguments, not counting the receiver and the selector
    ReturnKind returnKind = ReturnKind::Void;
    Implementation implementation;
};

struct Property {
    using Getter = std::function<Id(NSObject& self)>;
    using Setter = std::function<void(NSObject& self, const Id& value)>;

    String key;
    Getter getter;
    Setter setter;  // empty for read-only properties
};

// The run-time description of a class: its name, its superclass, and the
// methods and key-value coding properties it adds. One static instance per
// class, made on first use by KS_OBJECT.
class ClassDescriptor {
public:
    using Describe = void (*)(ClassDescriptor&);

    ClassDescriptor(const char* name, const ClassDescriptor* superclass, Describe describe = nullptr);
    ClassDescriptor(const ClassDescriptor&) = delete;
    ClassDescriptor& operator=(const ClassDescriptor&) = delete;

    const String& name() const { return name_; }
    const ClassDescriptor* superclass() const { return superclass_; }
    bool isSubclassOf(const ClassDescriptor& other) const;

    // Registration, for a class's describe function.
    void method(Selector selector, ReturnKind returnKind, Method::Implementation implementation);
    template <class C>
    void method(Selector selector, ReturnKind returnKind, std::function<Id(C&, std::span<const Id>)> implementation)
    {
        method(selector, returnKind, [implementation](NSObject& self, std::span<const Id> arguments) {
            return implementation(static_cast<C&>(self), arguments);
        });
    }
    void property(const String& key, Property::Getter getter, Property::Setter setter = {});
    template <class C>
    void property(const String& key, std::function<Id(C&)> getter, std::function<void(C&, const Id&)> setter = {})
    {
        Property::Setter wrapped;
        if (setter)
            wrapped = [setter](NSObject& self, const Id& value) { setter(static_cast<C&>(self), value); };
        property(
            key, [getter](NSObject& self) { return getter(static_cast<C&>(self)); }, wrapped);
    }

    // Lookups walk up the superclass chain; the pointer identifies the
    // implementation, so two classes share a method exactly when they find
    // the same one.
    const Method* findMethod(Selector selector) const;
    const Property* findProperty(const String& key) const;

private:
    String name_;
    const ClassDescriptor* superclass_;
    std::unordered_map<Selector, Method> methods_;
    std::unordered_map<String, Property> properties_;
};

// Declares a class's descriptor. A class that registers methods or properties
// defines `static void describe(ClassDescriptor&)`; one that doesn't inherits
// the name of its superclass's and registers nothing of its own.
#define KS_OBJECT(Class, Super)                                                                                        \
public:                                                                                                                \
    static const ::ClassDescriptor& descriptor()                                                                       \
    {                                                                                                                  \
        static const ::ClassDescriptor d(#Class, &Super::descriptor(),                                                 \
                                         &Class::describe == &Super::describe ? nullptr : &Class::describe);           \
        return d;                                                                                                      \
    }                                                                                                                  \
    const ::ClassDescriptor& classDescriptor() const override                                                          \
    {                                                                                                                  \
        return descriptor();                                                                                           \
    }                                                                                                                  \
                                                                                                                       \
private:

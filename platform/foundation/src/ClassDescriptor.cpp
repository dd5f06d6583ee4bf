#include "foundation/ClassDescriptor.h"

ClassDescriptor::ClassDescriptor(const char* name, const ClassDescriptor* superclass, Describe describe)
    : name_(name)
    , superclass_(superclass)
{
    if (describe)
        describe(*this);
}

bool ClassDescriptor::isSubclassOf(const ClassDescriptor& other) const
{
    for (const ClassDescriptor* c = this; c; c = c->superclass_) {
        if (c == &other)
            return true;
    }
    return false;
}

void ClassDescriptor::method(Selector selector, ReturnKind returnKind, Method::Implementation implementation)
{
    methods_[selector] = Method{selector, selector.argumentCount(), returnKind, std::move(implementation)};
}

void ClassDescriptor::property(const String& key, Property::Getter getter, Property::Setter setter)
{
    properties_[key] = Property{key, std::move(getter), std::move(setter)};
}

const Method* ClassDescriptor::findMethod(Selector selector) const
{
    for (const ClassDescriptor* c = this; c; c = c->superclass_) {
        if (auto it = c->methods_.find(selector); it != c->methods_.end())
            return &it->second;
    }
    return nullptr;
}

const Property* ClassDescriptor::findProperty(const String& key) const
{
    for (const ClassDescriptor* c = this; c; c = c->superclass_) {
        if (auto it = c->properties_.find(key); it != c->properties_.end())
            return &it->second;
    }
    return nullptr;
}

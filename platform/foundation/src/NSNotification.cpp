#include "foundation/NSNotification.h"

NSNotification::NSNotification(String name, Id object, Id userInfo)
    : name_(std::move(name))
    , object_(std::move(object))
    , userInfo_(std::move(userInfo))
{
}

std::shared_ptr<NSNotification> NSNotification::notificationWithName(const String& name, const Id& object,
                                                                     const Id& userInfo)
{
    return std::make_shared<NSNotification>(name, object, userInfo);
}

String NSNotification::description() const
{
    std::string text = "NSNotification " + name_.utf8();
    if (!object_.isNil())
        text += " object=" + object_.description().utf8();
    if (!userInfo_.isNil())
        text += " userInfo=" + userInfo_.description().utf8();
    return String(text);
}

void NSNotification::describe(ClassDescriptor& d)
{
    d.property<NSNotification>("name", [](NSNotification& n) { return Id(n.name()); });
    d.property<NSNotification>("object", [](NSNotification& n) { return n.object(); });
    d.property<NSNotification>("userInfo", [](NSNotification& n) { return n.userInfo(); });
}

#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>

// One posted notification: a name, the object it is about (nil for none) and
// optional user information (nil or a dictionary).
class NSNotification : public NSObject {
    KS_OBJECT(NSNotification, NSObject)
public:
    NSNotification(String name, Id object, Id userInfo);
    static std::shared_ptr<NSNotification> notificationWithName(const String& name, const Id& object = {},
                                                                const Id& userInfo = {});

    const String& name() const { return name_; }
    const Id& object() const { return object_; }
    const Id& userInfo() const { return userInfo_; }

    String description() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    String name_;
    Id object_;
    Id userInfo_;
};

#pragma once

// The objects the tests of the object model work on.

#include "foundation/Foundation.h"

#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace test_objects {

// A small observable class: "name" notifies automatically, "count" manually,
// "child" holds another object, and "title" depends on "name" and "child.name".
class Node : public NSObject {
    KS_OBJECT(Node, NSObject)
public:
    String name() const { return name_; }
    void setName(const String& name)
    {
        automaticChange("name", [&] { name_ = name; });
    }
    int count() const { return count_; }
    void setCount(int count)
    {
        if (count == count_)
            return;
        willChangeValueForKey("count");
        count_ = count;
        didChangeValueForKey("count");
    }
    std::shared_ptr<Node> child() const { return child_; }
    void setChild(std::shared_ptr<Node> child)
    {
        automaticChange("child", [&] { child_ = std::move(child); });
    }
    String title() const { return name_.appending("/").appending(child_ ? child_->name() : String("-")); }

    bool automaticallyNotifiesObserversForKey(const String& key) const override
    {
        return key == "count" ? false : NSObject::automaticallyNotifiesObserversForKey(key);
    }
    std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const override
    {
        if (key == "title")
            return {"name", "child.name"};
        return {};
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.property<Node>(
            "name", [](Node& n) { return Id(n.name()); },
            [](Node& n, const Id& v) { n.setName(v.string() ? *v.string() : String()); });
        d.property<Node>(
            "count", [](Node& n) { return Id::number(n.count()); },
            [](Node& n, const Id& v) { n.setCount(static_cast<int>(v.integerValue())); });
        d.property<Node>("child", [](Node& n) { return Id(n.child()); });
        d.property<Node>("title", [](Node& n) { return Id(n.title()); });
        d.method<Node>("ping", ReturnKind::Boolean, [](Node&, std::span<const Id>) { return Id::boolean(true); });
    }

private:
    String name_;
    int count_ = 0;
    std::shared_ptr<Node> child_;
};

class SubNode : public Node {
    KS_OBJECT(SubNode, Node)
};

}  // namespace test_objects

#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/ParseResult.h"
#include "foundation/String.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NSBundle;

// A description of objects that can be made again and again, each time
// connected to an owner: an item's view with its labels, say, wired to the
// item's outlets.
//
// A nib is a file of a bundle, "<name>.nib.json" in its resources, in the
// storyboards' JSON form (see NSStoryboard.h) for its objects:
//
//   {
//     "owner": {"class": "AppViewItem",              // the class owners must be of
//               "outlets": {"view": "tile", "box": "box"}},   // into top-level objects
//     "objects": [ <object>, ... ]                   // the top-level objects
//   }
//
// Views in a nib (and in a storyboard) may hold "constraints": a list of
//   {"first": "name.leading", "relation": "==", "second": "icon.trailing",
//    "multiplier": 1, "constant": 8, "priority": 750, "identifier": "gap"}
// where the items are objects' identifiers and the relation ("==", "<=",
// ">=") is "==" unless given; a width or height may do without a second
// item. Subviews that constraints name are placed by them alone. Loading
// makes a fresh set of the objects for an owner (which may be nil),
// activates the constraints, connects the owner's outlets, and answers the
// top-level objects.
//
// A loader registered under a name comes before a file of that name: the
// program (or a test) can make a nib's objects in code.
class NSNib : public NSObject {
    KS_OBJECT(NSNib, NSObject)

public:
    using Objects = std::vector<std::shared_ptr<NSObject>>;
    // nullopt when making the objects failed.
    using Loader = std::function<std::optional<Objects>(const Id& owner)>;

    // Registering a name again replaces its loader; an empty loader removes
    // the name.
    static void registerNib(const String& name, Loader loader);
    // The nib registered under the name, else the bundle's file of that name
    // (the main bundle's when nullptr); nullptr when there is neither, or
    // the file is not a valid nib (the reason goes to the error log).
    static std::shared_ptr<NSNib> nibNamed(const String& name, const std::shared_ptr<NSBundle>& bundle = nullptr);
    // A nib given as text, or the message that says what is malformed.
    static ParseResult<std::shared_ptr<NSNib>> nibWithData(std::string_view json, const String& name = String());

    NSNib(String name, Loader loader);
    ~NSNib() override;

    const String& name() const { return name_; }

    // Makes the objects for the owner. The caller keeps the top-level objects
    // alive (outlets are weak); false, and no objects, when the loader failed.
    bool instantiateWithOwner(const Id& owner, Objects* topLevelObjects);

private:
    String name_;
    Loader loader_;
};

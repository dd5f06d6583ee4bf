#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <optional>
#include <vector>

// What a pasteboard holds is named by uniform type identifiers.
using NSPasteboardType = String;
extern const NSPasteboardType NSPasteboardTypeString;

using NSPasteboardName = String;
extern const NSPasteboardName NSPasteboardNameGeneral;
// The pasteboard a drag carries its data on.
extern const NSPasteboardName NSPasteboardNameDrag;

class NSPasteboard;

// An object that can put itself on a pasteboard: the types it offers and
// its value for each, a property-list value (here: text, data or a number).
// Strings put themselves on as NSPasteboardTypeString without adopting this.
class NSPasteboardWriting {
public:
    virtual ~NSPasteboardWriting() = default;

    virtual std::vector<NSPasteboardType> writableTypesForPasteboard(const NSPasteboard& pasteboard) const = 0;
    virtual Id pasteboardPropertyListForType(const NSPasteboardType& type) const = 0;
};

// A named store of items, each holding values by type. Pasteboards are
// shared by every program on the desktop: one object per name.
//
// The change count goes up with every clearContents, so that a reader can
// tell whether what it read is still there.
class NSPasteboard : public NSObject {
    KS_OBJECT(NSPasteboard, NSObject)

public:
    static std::shared_ptr<NSPasteboard> generalPasteboard();
    static std::shared_ptr<NSPasteboard> pasteboardWithName(const NSPasteboardName& name);

    const NSPasteboardName& name() const { return name_; }
    NSInteger changeCount() const;

    // Empties the pasteboard; answers the new change count.
    NSInteger clearContents();
    // Adds one item per object: a string (as NSPasteboardTypeString) or an
    // object adopting NSPasteboardWriting. False, and nothing added, when
    // any object is of neither kind.
    bool writeObjects(const std::vector<Id>& objects);

    // The types of all items, each once, in the order they were added.
    std::vector<NSPasteboardType> types() const;
    std::size_t itemCount() const;
    // The first item's text of the type; nullopt when no item has one.
    std::optional<String> stringForType(const NSPasteboardType& type) const;
    // The first of the types that some item holds; nullopt for none.
    std::optional<NSPasteboardType> availableTypeFromArray(const std::vector<NSPasteboardType>& types) const;

    explicit NSPasteboard(NSPasteboardName name);

private:
    struct Item {
        std::vector<std::pair<NSPasteboardType, Id>> values;
    };

    NSPasteboardName name_;
    NSInteger changeCount_ = 0;
    std::vector<Item> items_;
};

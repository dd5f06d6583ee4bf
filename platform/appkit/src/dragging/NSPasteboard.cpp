#include "appkit/NSPasteboard.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

const NSPasteboardType NSPasteboardTypeString("public.utf8-plain-text");
const NSPasteboardName NSPasteboardNameGeneral("Apple CFPasteboard general");
const NSPasteboardName NSPasteboardNameDrag("Apple CFPasteboard drag");

namespace {

struct Pasteboards {
    std::mutex mutex;
    std::unordered_map<String, std::shared_ptr<NSPasteboard>> byName;
};

Pasteboards& pasteboards()
{
    static auto* shared = new Pasteboards;
    return *shared;
}

}  // namespace

NSPasteboard::NSPasteboard(NSPasteboardName name)
    : name_(std::move(name))
{
}

std::shared_ptr<NSPasteboard> NSPasteboard::generalPasteboard()
{
    return pasteboardWithName(NSPasteboardNameGeneral);
}

std::shared_ptr<NSPasteboard> NSPasteboard::pasteboardWithName(const NSPasteboardName& name)
{
    auto& all = pasteboards();
    std::lock_guard lock(all.mutex);
    auto& pasteboard = all.byName[name];
    if (!pasteboard)
        pasteboard = std::make_shared<NSPasteboard>(name);
    return pasteboard;
}

NSInteger NSPasteboard::changeCount() const
{
    return changeCount_;
}

NSInteger NSPasteboard::clearContents()
{
    items_.clear();
    return ++changeCount_;
}

bool NSPasteboard::writeObjects(const std::vector<Id>& objects)
{
    std::vector<Item> written;
    for (const auto& object : objects) {
        Item item;
        if (const String* text = object.string()) {
            item.values.emplace_back(NSPasteboardTypeString, Id(*text));
        } else if (auto writer = std::dynamic_pointer_cast<NSPasteboardWriting>(object.objectReference())) {
            for (const auto& type : writer->writableTypesForPasteboard(*this))
                item.values.emplace_back(type, writer->pasteboardPropertyListForType(type));
        } else {
            return false;
        }
        written.push_back(std::move(item));
    }
    items_.insert(items_.end(), written.begin(), written.end());
    return true;
}

std::vector<NSPasteboardType> NSPasteboard::types() const
{
    std::vector<NSPasteboardType> result;
    for (const auto& item : items_)
        for (const auto& [type, value] : item.values)
            if (std::find(result.begin(), result.end(), type) == result.end())
                result.push_back(type);
    return result;
}

std::size_t NSPasteboard::itemCount() const
{
    return items_.size();
}

std::optional<String> NSPasteboard::stringForType(const NSPasteboardType& type) const
{
    for (const auto& item : items_)
        for (const auto& [itemType, value] : item.values)
            if (itemType == type && value.string())
                return *value.string();
    return std::nullopt;
}

std::optional<NSPasteboardType> NSPasteboard::availableTypeFromArray(const std::vector<NSPasteboardType>& wanted) const
{
    auto held = types();
    for (const auto& type : wanted)
        if (std::find(held.begin(), held.end(), type) != held.end())
            return type;
    return std::nullopt;
}

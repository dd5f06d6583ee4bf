#include "appkit/NSCollectionViewItem.h"

#include "appkit/NSImageView.h"
#include "appkit/NSNib.h"
#include "appkit/NSTextField.h"
#include "foundation/Log.h"

NSCollectionViewItem::NSCollectionViewItem() = default;

NSCollectionViewItem::~NSCollectionViewItem() = default;

void NSCollectionViewItem::describe(ClassDescriptor& d)
{
    d.property<NSCollectionViewItem>(
        "imageView", [](NSCollectionViewItem& item) { return Id(item.imageView()); },
        [](NSCollectionViewItem& item, const Id& value) { item.setImageView(value.object<NSImageView>()); });
    d.property<NSCollectionViewItem>(
        "textField", [](NSCollectionViewItem& item) { return Id(item.textField()); },
        [](NSCollectionViewItem& item, const Id& value) { item.setTextField(value.object<NSTextField>()); });
    d.property<NSCollectionViewItem>(
        "selected", [](NSCollectionViewItem& item) { return Id::boolean(item.isSelected()); },
        [](NSCollectionViewItem& item, const Id& value) { item.setSelected(value.boolValue()); });
}

void NSCollectionViewItem::setSelected(bool selected)
{
    automaticChange("selected", [&] { selected_ = selected; });
}

void NSCollectionViewItem::setHighlightState(NSCollectionViewItemHighlightState state)
{
    highlightState_ = state;
}

void NSCollectionViewItem::loadView()
{
    const String& name = nibName().empty() ? className() : nibName();
    auto nib = NSNib::nibNamed(name);
    if (!nib) {
        // Items without a nib of their own are common (a class that builds
        // its view in code); a nib asked for by name that is missing is not.
        if (!nibName().empty())
            Log::error("Could not find a nib named '%s' for %s", name.utf8().c_str(), className().utf8().c_str());
        NSViewController::loadView();
        return;
    }
    NSNib::Objects objects;
    if (!nib->instantiateWithOwner(Id(shared_from_this()), &objects)) {
        Log::error("Could not load the nib '%s' for %s", name.utf8().c_str(), className().utf8().c_str());
        return;
    }
    // An owner among its own nib's objects would keep itself alive.
    std::erase_if(objects, [this](const std::shared_ptr<NSObject>& object) { return object.get() == this; });
    nibObjects_ = std::move(objects);
    if (!isViewLoaded())
        Log::error("The nib '%s' did not set the view of %s", name.utf8().c_str(), className().utf8().c_str());
}

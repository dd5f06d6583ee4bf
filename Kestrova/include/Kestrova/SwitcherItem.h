#pragma once

#include "appkit/NSCollectionViewItem.h"

#include <memory>

class NSBox;
class NSTextField;

// A row of the switcher's lists: beside the name in the item's text field a
// second label (an application's shortcut, a window's number), and a box
// behind them that is half-transparent grey while the row is selected. Its
// nib, named after the class, must connect shortcutLabel and box.
class SwitcherItem : public NSCollectionViewItem {
    KS_OBJECT(SwitcherItem, NSCollectionViewItem)

public:
    std::shared_ptr<NSTextField> shortcutLabel() const { return shortcutLabel_.lock(); }
    void setShortcutLabel(const std::shared_ptr<NSTextField>& label) { shortcutLabel_ = label; }
    std::shared_ptr<NSBox> box() const { return box_.lock(); }
    void setBox(const std::shared_ptr<NSBox>& box) { box_ = box; }

    // Runs on every set, also one that changes nothing.
    void setSelected(bool selected) override;
    void updateBox(bool selected);
    // Empties both labels and the box.
    void prepareForReuse() override;

protected:
    static void describe(ClassDescriptor& d);

    // The outlets, which the nib must have connected.
    std::shared_ptr<NSTextField> requireShortcutLabel() const;
    std::shared_ptr<NSBox> requireBox() const;

private:
    std::weak_ptr<NSTextField> shortcutLabel_;
    std::weak_ptr<NSBox> box_;
};

#include "Kestrova/WindowViewItem.h"

#include "appkit/NSTextField.h"

#include <string>

void WindowViewItem::configure(const std::shared_ptr<A11yElement>& window, std::size_t index)
{
    window_ = window;
    if (auto textField = this->textField())
        textField->setStringValue(window ? window->title() : String());
    requireShortcutLabel()->setStringValue(String(std::to_string(index + 1)));
}

void WindowViewItem::prepareForReuse()
{
    SwitcherItem::prepareForReuse();
    window_.reset();
}

#pragma once

#include "textinput/KeyboardLayoutCatalog.h"
#include "textinput/KeyboardLayoutRegistry.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

// Gives a test keyboard-layout state of its own: a registry with `initial`
// selected, installed as the one the TIS* calls answer from, and put back
// afterwards.
class ScopedKeyboardLayout {
public:
    explicit ScopedKeyboardLayout(std::string_view initial = textinput::InputSourceID::US)
        : registry_(std::make_shared<textinput::KeyboardLayoutRegistry>(initial))
        , installed_(registry_)
    {
    }

    textinput::KeyboardLayoutRegistry& registry() { return *registry_; }
    bool select(std::string_view identifier) { return registry_->selectInputSource(identifier); }
    bool select(TISInputSourceRef source) { return registry_->selectInputSource(std::move(source)); }
    TISInputSourceRef source(std::string_view identifier) { return registry_->catalog().inputSource(identifier); }

    // A hand-made source. Translations are cached by identifier across tests,
    // so every fake gets one of its own unless the options say otherwise.
    TISInputSourceRef fake(textinput::FakeInputSourceOptions options = {})
    {
        static std::atomic<int> counter{0};
        if (options.identifier && *options.identifier == textinput::FakeInputSourceOptions().identifier)
            *options.identifier += "." + std::to_string(++counter);
        return registry_->catalog().makeFakeInputSource(options);
    }

private:
    std::shared_ptr<textinput::KeyboardLayoutRegistry> registry_;
    textinput::ScopedCurrentKeyboardLayoutRegistry installed_;
};

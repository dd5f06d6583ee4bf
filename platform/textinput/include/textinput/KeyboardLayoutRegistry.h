#pragma once

// The keyboard-layout state of the simulated desktop: the selected layout and
// the ASCII-capable one, change handlers, and failures to inject.
//
// The TIS* calls answer from KeyboardLayoutRegistry::current(): the shared
// registry unless another one is installed (the simulated desktop installs its
// own; tests install one per test with ScopedCurrentKeyboardLayoutRegistry).
// Every member may be called from any thread.

#include "textinput/KeyboardLayoutCatalog.h"
#include "textinput/TISInputSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace textinput {

class KeyboardLayoutRegistry {
public:
    using SelectionChangeHandler = std::function<void(const TISInputSourceRef& selected)>;
    using HandlerID = std::uint64_t;

    // The process-wide registry; never released. Starts with the U.S. layout.
    static KeyboardLayoutRegistry& shared();
    // The registry the TIS* calls answer from.
    static std::shared_ptr<KeyboardLayoutRegistry> current();
    // Installs the registry of the TIS* calls; nullptr goes back to the shared one.
    static void setCurrent(std::shared_ptr<KeyboardLayoutRegistry> registry);

    // Starts with the catalog's layout `initialIdentifier` selected (the U.S.
    // layout when it is unknown). The catalog must outlive the registry.
    explicit KeyboardLayoutRegistry(std::string_view initialIdentifier = InputSourceID::US,
                                    KeyboardLayoutCatalog& catalog = KeyboardLayoutCatalog::shared());
    KeyboardLayoutRegistry(const KeyboardLayoutRegistry&) = delete;
    KeyboardLayoutRegistry& operator=(const KeyboardLayoutRegistry&) = delete;

    KeyboardLayoutCatalog& catalog() const { return catalog_; }

    // The selected layout; nullptr while it is made unavailable.
    TISInputSourceRef currentKeyboardLayoutInputSource() const;
    // The selected layout when it is ASCII-capable, else the ASCII-capable one
    // selected last (the initial layout counts), else the catalog's U.S. layout;
    // nullptr while it is made unavailable.
    TISInputSourceRef currentASCIICapableKeyboardLayoutInputSource() const;

    // Selects a catalog layout; false (and nothing changes) for an unknown one.
    bool selectInputSource(std::string_view identifier);
    // Selects any source, a hand-made one included; false for nullptr.
    // Selecting the selected source again changes nothing and calls no handler.
    bool selectInputSource(TISInputSourceRef source);

    // The catalog's layouts.
    std::vector<TISInputSourceRef> inputSources() const;

    // Handlers run after each change of the selected layout, on the selecting
    // thread, without the registry's lock held, in the order they were added.
    HandlerID addSelectionChangeHandler(SelectionChangeHandler handler);
    void removeSelectionChangeHandler(HandlerID id);

    // Failure injection: the copy calls give nullptr while set.
    void setCurrentInputSourceUnavailable(bool unavailable);
    void setASCIICapableInputSourceUnavailable(bool unavailable);
    void setInputSourcesUnavailable(bool unavailable);

private:
    struct Handler {
        HandlerID id;
        std::shared_ptr<SelectionChangeHandler> function;
    };

    KeyboardLayoutCatalog& catalog_;
    mutable std::mutex mutex_;
    TISInputSourceRef selected_;
    TISInputSourceRef lastASCIICapable_;
    std::vector<Handler> handlers_;
    HandlerID nextHandlerID_ = 1;
    bool currentUnavailable_ = false;
    bool asciiCapableUnavailable_ = false;
};

// Installs a registry as the current one for its lifetime, then puts back the previous one.
class ScopedCurrentKeyboardLayoutRegistry {
public:
    explicit ScopedCurrentKeyboardLayoutRegistry(std::shared_ptr<KeyboardLayoutRegistry> registry);
    ~ScopedCurrentKeyboardLayoutRegistry();
    ScopedCurrentKeyboardLayoutRegistry(const ScopedCurrentKeyboardLayoutRegistry&) = delete;
    ScopedCurrentKeyboardLayoutRegistry& operator=(const ScopedCurrentKeyboardLayoutRegistry&) = delete;

private:
    std::shared_ptr<KeyboardLayoutRegistry> previous_;
};

}  // namespace textinput

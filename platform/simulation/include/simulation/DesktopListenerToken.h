#pragma once

#include <cstdint>
#include <memory>

namespace simulation {

namespace detail {
class DesktopListeners;
}

// Keeps a listener of a simulated desktop registered for its own lifetime.
// It may outlive the desktop.
class DesktopListenerToken {
public:
    DesktopListenerToken() = default;
    DesktopListenerToken(std::weak_ptr<detail::DesktopListeners> listeners, std::uint64_t identifier);
    DesktopListenerToken(DesktopListenerToken&& other) noexcept;
    DesktopListenerToken& operator=(DesktopListenerToken&& other) noexcept;
    DesktopListenerToken(const DesktopListenerToken&) = delete;
    DesktopListenerToken& operator=(const DesktopListenerToken&) = delete;
    ~DesktopListenerToken();

    void reset();
    explicit operator bool() const { return identifier_ != 0; }

private:
    std::weak_ptr<detail::DesktopListeners> listeners_;
    std::uint64_t identifier_ = 0;
};

}  // namespace simulation

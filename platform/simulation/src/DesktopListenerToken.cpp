#include "simulation/DesktopListenerToken.h"

#include "DesktopListeners.h"

#include <utility>

namespace simulation {

DesktopListenerToken::DesktopListenerToken(std::weak_ptr<detail::DesktopListeners> listeners, std::uint64_t identifier)
    : listeners_(std::move(listeners))
    , identifier_(identifier)
{
}

DesktopListenerToken::DesktopListenerToken(DesktopListenerToken&& other) noexcept
    : listeners_(std::move(other.listeners_))
    , identifier_(std::exchange(other.identifier_, 0))
{
}

DesktopListenerToken& DesktopListenerToken::operator=(DesktopListenerToken&& other) noexcept
{
    if (this != &other) {
        reset();
        listeners_ = std::move(other.listeners_);
        identifier_ = std::exchange(other.identifier_, 0);
    }
    return *this;
}

DesktopListenerToken::~DesktopListenerToken()
{
    reset();
}

void DesktopListenerToken::reset()
{
    if (identifier_ == 0)
        return;
    if (auto listeners = listeners_.lock())
        listeners->remove(identifier_);
    listeners_.reset();
    identifier_ = 0;
}

}  // namespace simulation

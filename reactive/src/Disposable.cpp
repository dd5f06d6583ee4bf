#include "reactive/Disposable.h"

#include <utility>

#include "reactive/DisposeBag.h"

namespace reactive {

namespace {

class ActionCancelable final : public detail::Cancelable {
public:
    explicit ActionCancelable(std::function<void()> action)
        : m_action(std::move(action))
    {
    }

private:
    void onDispose() noexcept override
    {
        // Moved out so that what the action captured goes with its only run.
        auto action = std::move(m_action);
        if (action)
            action();
    }

    std::function<void()> m_action;
};

}  // namespace

Disposable::Disposable(std::function<void()> action)
    : m_cancelable(std::make_shared<ActionCancelable>(std::move(action)))
{
}

Disposable::Disposable(std::shared_ptr<detail::Cancelable> cancelable) noexcept
    : m_cancelable(std::move(cancelable))
{
}

Disposable::Disposable(Disposable&& other) noexcept
    : m_cancelable(std::move(other.m_cancelable))
{
}

Disposable& Disposable::operator=(Disposable&& other) noexcept
{
    if (this != &other) {
        dispose();
        m_cancelable = std::move(other.m_cancelable);
    }
    return *this;
}

Disposable::~Disposable()
{
    dispose();
}

void Disposable::dispose() noexcept
{
    // Let go first: disposing can call out, and the callee may destroy this
    // very handle (a handler that drops its own subscription).
    if (auto cancelable = std::move(m_cancelable))
        cancelable->dispose();
}

bool Disposable::isDisposed() const noexcept
{
    return !m_cancelable || m_cancelable->isDisposed();
}

void Disposable::disposed(DisposeBag& bag) &&
{
    bag.insert(std::move(*this));
}

}  // namespace reactive

#include "reactive/Disposable.h"

#include <utility>

#include "reactive/DisposeBag.h"

namespace reactive {

namespace {

class ActionCancelable final : public detail::Cancelable {
public:
    explicit ActionCancelable(std::function<void()> action)
        : action_(std::move(action))
    {
    }

private:
    void onDispose() noexcept override
    {
        // Moved out so that what the action captured goes with its only run.
        auto action = std::move(action_);
        if (action)
            action();
    }

    std::function<void()> action_;
};

}  // namespace

Disposable::Disposable(std::function<void()> action)
    : cancelable_(std::make_shared<ActionCancelable>(std::move(action)))
{
}

Disposable::Disposable(std::shared_ptr<detail::Cancelable> cancelable) noexcept
    : cancelable_(std::move(cancelable))
{
}

Disposable::Disposable(Disposable&& other) noexcept
    : cancelable_(std::move(other.cancelable_))
{
}

Disposable& Disposable::operator=(Disposable&& other) noexcept
{
    if (this != &other) {
        dispose();
        cancelable_ = std::move(other.cancelable_);
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
    if (auto cancelable = std::move(cancelable_))
        cancelable->dispose();
}

bool Disposable::isDisposed() const noexcept
{
    return !cancelable_ || cancelable_->isDisposed();
}

void Disposable::disposed(DisposeBag& bag) &&
{
    bag.insert(std::move(*this));
}

}  // namespace reactive

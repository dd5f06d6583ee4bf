#include "reactive/detail/SingleAssignmentDisposable.h"

#include <utility>

namespace reactive::detail {

void SingleAssignmentDisposable::set(Disposable disposable) noexcept
{
    {
        std::lock_guard lock(mutex_);
        if (!disposed_) {
            disposable_ = std::move(disposable);
            return;
        }
    }
    disposable.dispose();
}

void SingleAssignmentDisposable::dispose() noexcept
{
    Disposable taken;
    {
        std::lock_guard lock(mutex_);
        disposed_ = true;
        taken = std::move(disposable_);
    }
    // Outside the lock: disposing calls out into the upstream source.
    taken.dispose();
}

}  // namespace reactive::detail

#include "reactive/detail/SingleAssignmentDisposable.h"

#include <utility>

namespace reactive::detail {

void SingleAssignmentDisposable::set(Disposable disposable) noexcept
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_disposed) {
            m_disposable = std::move(disposable);
            return;
        }
    }
    disposable.dispose();
}

void SingleAssignmentDisposable::dispose() noexcept
{
    Disposable taken;
    {
        std::lock_guard lock(m_mutex);
        m_disposed = true;
        taken = std::move(m_disposable);
    }
    // Outside the lock: disposing calls out into the upstream source.
    taken.dispose();
}

}  // namespace reactive::detail

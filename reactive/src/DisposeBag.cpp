#include "reactive/DisposeBag.h"

#include <utility>

namespace reactive {

DisposeBag::DisposeBag(DisposeBag&& other) noexcept
{
    std::lock_guard lock(other.m_mutex);
    m_disposables = std::move(other.m_disposables);
    other.m_disposables.clear();
}

DisposeBag& DisposeBag::operator=(DisposeBag&& other) noexcept
{
    if (this == &other)
        return *this;
    std::vector<Disposable> taken;
    {
        std::lock_guard lock(other.m_mutex);
        taken = std::move(other.m_disposables);
        other.m_disposables.clear();
    }
    {
        std::lock_guard lock(m_mutex);
        std::swap(taken, m_disposables);
    }
    disposeAll(taken);
    return *this;
}

DisposeBag::~DisposeBag()
{
    // Taken out first, as in assignment: a disposer that inserts into this bag
    // meanwhile must not disturb the walk (what it inserts is ended when the
    // member goes).
    std::vector<Disposable> taken;
    {
        std::lock_guard lock(m_mutex);
        taken = std::move(m_disposables);
    }
    disposeAll(taken);
}

void DisposeBag::insert(Disposable disposable)
{
    std::lock_guard lock(m_mutex);
    m_disposables.push_back(std::move(disposable));
}

std::size_t DisposeBag::size() const
{
    std::lock_guard lock(m_mutex);
    return m_disposables.size();
}

void DisposeBag::disposeAll(std::vector<Disposable>& disposables) noexcept
{
    // Explicitly in insertion order; the vector's destructor alone would not
    // promise one.
    for (auto& disposable : disposables)
        disposable.dispose();
    disposables.clear();
}

}  // namespace reactive

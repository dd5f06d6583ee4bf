#include "reactive/DisposeBag.h"

#include <utility>

namespace reactive {

DisposeBag::DisposeBag(DisposeBag&& other) noexcept
{
    std::lock_guard lock(other.mutex_);
    disposables_ = std::move(other.disposables_);
    other.disposables_.clear();
}

DisposeBag& DisposeBag::operator=(DisposeBag&& other) noexcept
{
    if (this == &other)
        return *this;
    std::vector<Disposable> taken;
    {
        std::lock_guard lock(other.mutex_);
        taken = std::move(other.disposables_);
        other.disposables_.clear();
    }
    {
        std::lock_guard lock(mutex_);
        std::swap(taken, disposables_);
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
        std::lock_guard lock(mutex_);
        taken = std::move(disposables_);
    }
    disposeAll(taken);
}

void DisposeBag::insert(Disposable disposable)
{
    std::lock_guard lock(mutex_);
    disposables_.push_back(std::move(disposable));
}

std::size_t DisposeBag::size() const
{
    std::lock_guard lock(mutex_);
    return disposables_.size();
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

#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "reactive/Disposable.h"

namespace reactive {

// Holds subscriptions for the lifetime of an object: destroying the bag
// disposes everything in it, in the order it was inserted. To end them early,
// assign a fresh bag (`bag = DisposeBag();`), as one would in RxSwift.
//
// insert() may be called from several threads; disposal runs outside the
// bag's lock because it calls out (a Disposable's action, a source's cleanup).
class DisposeBag {
public:
    DisposeBag() = default;
    DisposeBag(DisposeBag&& other) noexcept;
    // Disposes what this bag held, then takes over the contents of `other`.
    DisposeBag& operator=(DisposeBag&& other) noexcept;
    DisposeBag(const DisposeBag&) = delete;
    DisposeBag& operator=(const DisposeBag&) = delete;
    ~DisposeBag();

    void insert(Disposable disposable);

    // Subscriptions held, including ones that already ended from the inside.
    std::size_t size() const;

private:
    static void disposeAll(std::vector<Disposable>& disposables) noexcept;

    mutable std::mutex mutex_;
    std::vector<Disposable> disposables_;
};

}  // namespace reactive

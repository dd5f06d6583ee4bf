#include "foundation/RealClock.h"

#include <chrono>

double RealClock::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void RealClock::wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::optional<double> deadline)
{
    if (!deadline) {
        wake.wait(lock);
        return;
    }
    auto until = std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(*deadline)));
    wake.wait_until(lock, until);
}

#pragma once

#include "foundation/Clock.h"

// Wall time from the steady clock, for the programs.
class RealClock final : public Clock {
public:
    double now() const override;
    void wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
              std::optional<double> deadline) override;
};

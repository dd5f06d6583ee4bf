#include "foundation/DispatchQueue.h"

DispatchQueue& DispatchQueue::main()
{
    static auto* queue = new DispatchQueue(NSRunLoop::mainRunLoop());
    return *queue;
}

void DispatchQueue::async(std::function<void()> work)
{
    runLoop_.performBlock(std::move(work));
}

void DispatchQueue::asyncAfter(double delay, std::function<void()> work)
{
    runLoop_.performAfterDelay(delay, std::move(work));
}

#include "OrderedLogSink.h"

#include "driver/Transcript.h"
#include "foundation/NSThread.h"

namespace detail {

OrderedLogSink::OrderedLogSink(Transcript& transcript, std::shared_ptr<LogSink> next)
    : transcript_(&transcript)
    , next_(std::move(next))
{
}

void OrderedLogSink::write(const LogEntry& entry)
{
    if (NSThread::isMainThread()) {
        std::lock_guard lock(mutex_);
        if (transcript_)
            transcript_->catchUp();
    }
    if (next_)
        next_->write(entry);
}

void OrderedLogSink::detach()
{
    std::lock_guard lock(mutex_);
    transcript_ = nullptr;
}

}  // namespace detail

#pragma once

#include "foundation/Log.h"

#include <memory>
#include <mutex>

class Transcript;

namespace detail {

// The log while a session runs: before a log line goes out (to the sink that
// was in place), the transcript writes what it was told until then and
// flushes its stream. So log lines and transcript lines come out in the
// order they happened, whether the streams go to a terminal, a pipe or a
// file. Lines logged off the main thread, where the transcript isn't kept,
// go out as they come.
class OrderedLogSink final : public LogSink {
public:
    OrderedLogSink(Transcript& transcript, std::shared_ptr<LogSink> next);

    void write(const LogEntry& entry) override;
    // The transcript is going away: lines go straight to the next sink.
    void detach();
    const std::shared_ptr<LogSink>& next() const { return next_; }

private:
    std::mutex mutex_;
    Transcript* transcript_;
    const std::shared_ptr<LogSink> next_;
};

}  // namespace detail

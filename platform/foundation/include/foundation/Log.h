#pragma once

#include "foundation/Id.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The stand-in for the system's unified log: three levels, named values beside
// the text, and activities that name what was going on.
enum class LogLevel { Debug, Default, Error };

struct LogValue {
    const char* name;
    Id value;
};

struct LogEntry {
    LogLevel level = LogLevel::Default;
    std::string text;
    std::vector<std::pair<std::string, Id>> values;
    // The activities open on the writing thread, outermost first.
    std::vector<std::string> activities;
};

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogEntry& entry) = 0;
};

// Writes "<level> [activity] text {name=value}" lines to standard error, with
// control characters escaped as printableText does.
class StandardErrorLogSink final : public LogSink {
public:
    void write(const LogEntry& entry) override;
};

// Keeps every entry, for tests.
class CapturingLogSink final : public LogSink {
public:
    void write(const LogEntry& entry) override;
    std::vector<LogEntry> entries() const;
    std::vector<std::string> texts() const;
    bool contains(LogLevel level, const std::string& text) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<LogEntry> entries_;
};

namespace Log {

// Debug entries are written only while debug logging is on; below that they
// aren't even formatted.
bool debugEnabled();
void setDebugEnabled(bool enabled);

void setSink(std::shared_ptr<LogSink> sink);
std::shared_ptr<LogSink> sink();

void write(LogLevel level, std::initializer_list<LogValue> values, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void debug(const char* format, ...) __attribute__((format(printf, 1, 2)));
void info(const char* format, ...) __attribute__((format(printf, 1, 2)));
void error(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace Log

// Sends the log to a capturing sink for the scope (a test), with debug logging
// on, and puts back what was there before.
class ScopedLogCapture {
public:
    explicit ScopedLogCapture(bool debug = true);
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    CapturingLogSink& sink() { return *sink_; }

private:
    std::shared_ptr<CapturingLogSink> sink_;
    std::shared_ptr<LogSink> previous_;
    bool previousDebug_;
};

// An activity for the extent of a scope; entries written inside carry its name.
class LogActivity {
public:
    explicit LogActivity(const char* name);
    ~LogActivity();
    LogActivity(const LogActivity&) = delete;
    LogActivity& operator=(const LogActivity&) = delete;

    // The activities open on this thread, outermost first.
    static const std::vector<std::string>& current();
};

// Reports every activity that begins, for tests that check activity names.
class ActivityRecorder {
public:
    ActivityRecorder();
    ~ActivityRecorder();
    ActivityRecorder(const ActivityRecorder&) = delete;
    ActivityRecorder& operator=(const ActivityRecorder&) = delete;

    std::vector<std::string> names() const;
    bool contains(const std::string& name) const;

private:
    friend class LogActivity;
    mutable std::mutex mutex_;
    std::vector<std::string> names_;
};

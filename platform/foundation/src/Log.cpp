#include "foundation/Log.h"
#include "foundation/NSLog.h"

#include "VFormat.h"
#include "foundation/PrintableText.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

std::atomic<bool> debugLogging{false};
std::mutex sinkMutex;
std::shared_ptr<LogSink>& currentSink()
{
    static auto* sink = new std::shared_ptr<LogSink>(std::make_shared<StandardErrorLogSink>());
    return *sink;
}

std::mutex recordersMutex;
std::vector<ActivityRecorder*>& recorders()
{
    static auto* list = new std::vector<ActivityRecorder*>();
    return *list;
}

thread_local std::vector<std::string> openActivities;

void emit(LogLevel level, std::initializer_list<LogValue> values, const char* format, va_list args)
{
    if (level == LogLevel::Debug && !Log::debugEnabled())
        return;
    LogEntry entry;
    entry.level = level;
    entry.text = detail::vformat(format, args);
    for (const auto& v : values)
        entry.values.emplace_back(v.name, v.value);
    entry.activities = openActivities;
    std::shared_ptr<LogSink> sink = Log::sink();
    if (sink)
        sink->write(entry);
}

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug:
        return "debug";
    case LogLevel::Default:
        return "default";
    case LogLevel::Error:
        return "error";
    }
    return "";
}

}  // namespace

void StandardErrorLogSink::write(const LogEntry& entry)
{
    std::string line = levelName(entry.level);
    if (!entry.activities.empty())
        line += " [" + entry.activities.back() + "]";
    line += " " + entry.text;
    for (const auto& [name, value] : entry.values)
        line += " {" + name + "=" + value.description().utf8() + "}";
    // Texts and values carry input (key names, paths, defaults): escape what
    // could work the terminal, and keep each entry on its one line.
    line = printableText(line) + "\n";
    std::lock_guard lock(sinkMutex);
    std::fputs(line.c_str(), stderr);
}

void CapturingLogSink::write(const LogEntry& entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
}

std::vector<LogEntry> CapturingLogSink::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> CapturingLogSink::texts() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& e : entries_)
        texts.push_back(e.text);
    return texts;
}

bool CapturingLogSink::contains(LogLevel level, const std::string& text) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const LogEntry& e) { return e.level == level && e.text == text; });
}

void CapturingLogSink::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

bool Log::debugEnabled()
{
    return debugLogging.load(std::memory_order_relaxed);
}

void Log::setDebugEnabled(bool enabled)
{
    debugLogging = enabled;
}

void Log::setSink(std::shared_ptr<LogSink> sink)
{
    std::lock_guard lock(sinkMutex);
    currentSink() = std::move(sink);
}

std::shared_ptr<LogSink> Log::sink()
{
    std::lock_guard lock(sinkMutex);
    return currentSink();
}

void Log::write(LogLevel level, std::initializer_list<LogValue> values, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(level, values, format, args);
    va_end(args);
}

void Log::debug(const char* format, ...)
{
    if (!debugEnabled())
        return;
    va_list args;
    va_start(args, format);
    emit(LogLevel::Debug, {}, format, args);
    va_end(args);
}

void Log::info(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(LogLevel::Default, {}, format, args);
    va_end(args);
}

void Log::error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(LogLevel::Error, {}, format, args);
    va_end(args);
}

ScopedLogCapture::ScopedLogCapture(bool debug)
    : sink_(std::make_shared<CapturingLogSink>())
    , previous_(Log::sink())
    , previousDebug_(Log::debugEnabled())
{
    Log::setSink(sink_);
    Log::setDebugEnabled(debug);
}

ScopedLogCapture::~ScopedLogCapture()
{
    Log::setSink(previous_);
    Log::setDebugEnabled(previousDebug_);
}

LogActivity::LogActivity(const char* name)
{
    openActivities.emplace_back(name);
    std::lock_guard lock(recordersMutex);
    for (ActivityRecorder* recorder : recorders()) {
        std::lock_guard recorderLock(recorder->mutex_);
        recorder->names_.emplace_back(name);
    }
}

LogActivity::~LogActivity()
{
    openActivities.pop_back();
}

const std::vector<std::string>& LogActivity::current()
{
    return openActivities;
}

ActivityRecorder::ActivityRecorder()
{
    std::lock_guard lock(recordersMutex);
    recorders().push_back(this);
}

ActivityRecorder::~ActivityRecorder()
{
    std::lock_guard lock(recordersMutex);
    std::erase(recorders(), this);
}

std::vector<std::string> ActivityRecorder::names() const
{
    std::lock_guard lock(mutex_);
    return names_;
}

bool ActivityRecorder::contains(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void NSLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(LogLevel::Default, {}, format, args);
    va_end(args);
}

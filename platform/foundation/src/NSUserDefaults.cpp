#include "foundation/NSUserDefaults.h"

#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/PropertyList.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string parentFolder(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileName(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool makeFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat info { };
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (folder != "/" && !makeFolders(parentFolder(folder)))
        return false;
    return ::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

// Holds an exclusive lock on the preferences folder while one instance reads,
// merges and replaces a domain's file, so two instances never interleave.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
    {
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0) {
            ::flock(fd_, LOCK_UN);
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

enum class ReadOutcome { Read, Missing, OpenFailed };

ReadOutcome readWholeFile(const std::string& path, std::vector<char>& bytes, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A file in the way of a folder: nothing can be at the path.
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadOutcome::Missing;
        error = std::strerror(errno);
        return ReadOutcome::OpenFailed;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return ReadOutcome::OpenFailed;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return ReadOutcome::Read;
}

// "<path>.corrupt-<UTC timestamp>", with a counter when that name is taken.
std::string asideName(const std::string& path)
{
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    std::string base = path + ".corrupt-" + stamp;
    std::string name = base;
    struct stat info { };
    for (int n = 2; ::lstat(name.c_str(), &info) == 0; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

// A value's description for a log line, with U+0000 shown rather than ending
// the text.
std::string printable(const Id& value)
{
    std::string text = value.description().utf8();
    std::string out;
    for (char c : text) {
        if (c == '\0')
            out += "\\u0000";
        else
            out += c;
    }
    return out;
}

bool sameValue(const Id& a, const Id& b)
{
    return a.kind() == b.kind() && a == b;
}

std::shared_ptr<NSUserDefaults>& standardStorage()
{
    static auto* storage = new std::shared_ptr<NSUserDefaults>();
    return *storage;
}

std::mutex& standardMutex()
{
    static auto* m = new std::mutex();
    return *m;
}

}  // namespace

NSUserDefaults::NSUserDefaults(std::string path, String domain)
    : path_(std::move(path))
    , domain_(std::move(domain))
{
    std::lock_guard lock(mutex_);
    // Only a file that reads fine fills the (empty) values.
    readDiskLocked(values_);
}

String NSUserDefaults::standardDomainName()
{
    String identifier = NSBundle::mainBundle()->bundleIdentifier();
    if (!identifier.empty())
        return identifier;
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) {
        std::string exe(buffer, static_cast<std::size_t>(length));
        return String(fileName(exe));
    }
    return "Kestrova";
}

std::string NSUserDefaults::pathForDomain(const String& home, const String& domain)
{
    return stringByAppendingPathComponent(home, "Library/Preferences").utf8() + "/" + domain.utf8() + ".plist";
}

NSUserDefaults& NSUserDefaults::standardUserDefaults()
{
    std::lock_guard lock(standardMutex());
    auto& storage = standardStorage();
    if (!storage) {
        String domain = standardDomainName();
        storage = std::make_shared<NSUserDefaults>(pathForDomain(NSHomeDirectory(), domain), domain);
    }
    return *storage;
}

void NSUserDefaults::resetStandardUserDefaults(const String& home, const String& bundleIdentifier)
{
    setHomeDirectory(home);
    std::lock_guard lock(standardMutex());
    String domain = bundleIdentifier.empty() ? standardDomainName() : bundleIdentifier;
    auto& storage = standardStorage();
    if (!storage) {
        storage = std::make_shared<NSUserDefaults>(pathForDomain(NSHomeDirectory(), domain), domain);
        return;
    }
    NSUserDefaults& defaults = *storage;
    std::lock_guard instanceLock(defaults.mutex_);
    defaults.path_ = pathForDomain(NSHomeDirectory(), domain);
    defaults.domain_ = domain;
    defaults.values_ = Dictionary();
    defaults.registered_ = Dictionary();
    defaults.lastWriteFailed_ = false;
    defaults.fileFormat_ = PropertyList::Format::XML;
    defaults.writesBlocked_ = false;
    defaults.problems_.clear();
    defaults.failedWrites_ = 0;
    defaults.readDiskLocked(defaults.values_);
}

void NSUserDefaults::resetStandardUserDefaults()
{
    resetStandardUserDefaults(NSHomeDirectory(), String());
}

std::shared_ptr<NSUserDefaults> NSUserDefaults::create(const String& home, const String& domain)
{
    return std::make_shared<NSUserDefaults>(pathForDomain(home, domain), domain);
}

std::shared_ptr<NSUserDefaults> NSUserDefaults::createWithPath(const std::string& plistPath, const String& domain)
{
    String name = domain;
    if (name.empty()) {
        std::string file = fileName(plistPath);
        if (file.size() > 6 && file.compare(file.size() - 6, 6, ".plist") == 0)
            file.resize(file.size() - 6);
        name = String(file);
    }
    return std::make_shared<NSUserDefaults>(plistPath, name);
}

std::string NSUserDefaults::path() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

NSUserDefaults::DiskState NSUserDefaults::readDiskLocked(Dictionary& values)
{
    std::vector<char> bytes;
    std::string error;
    switch (readWholeFile(path_, bytes, error)) {
    case ReadOutcome::Missing:
        values = Dictionary();
        return DiskState::Missing;
    case ReadOutcome::OpenFailed:
        Log::write(LogLevel::Error, {{"path", String(path_)}},
                   "Could not open the user defaults file %s: %s; it will not be written over", path_.c_str(),
                   error.c_str());
        writesBlocked_ = true;
        recordLocked(StorageProblem::Kind::Unreadable, error);
        return DiskState::Unreadable;
    case ReadOutcome::Read:
        break;
    }
    auto read = PropertyList::parse(bytes.data(), bytes.size());
    if (read && read->value.isDictionary()) {
        values = *read->value.dictionary();
        fileFormat_ =
            read->format == PropertyList::Format::Binary ? PropertyList::Format::Binary : PropertyList::Format::XML;
        writesBlocked_ = false;
        return DiskState::Read;
    }
    std::string reason = read ? "the top level is not a dictionary" : read.error();
    std::string aside = asideName(path_);
    if (::rename(path_.c_str(), aside.c_str()) != 0) {
        std::string renameError = std::strerror(errno);
        Log::write(LogLevel::Error, {{"path", String(path_)}},
                   "Could not read the user defaults file %s (%s) nor move it aside (%s); it will not be written over",
                   path_.c_str(), reason.c_str(), renameError.c_str());
        writesBlocked_ = true;
        recordLocked(StorageProblem::Kind::Unreadable, reason + ", nor moved aside: " + renameError);
        return DiskState::Unreadable;
    }
    Log::write(LogLevel::Error, {{"path", String(path_)}, {"movedTo", String(aside)}},
               "Could not read the user defaults file %s (%s); kept it as %s", path_.c_str(), reason.c_str(),
               aside.c_str());
    writesBlocked_ = false;
    recordLocked(StorageProblem::Kind::MovedAside, reason).movedTo = aside;
    return DiskState::Corrupt;
}

std::optional<std::string> NSUserDefaults::writeFileLocked(const Dictionary& values)
{
    auto fail = [this](std::string reason) {
        Log::error("Could not write the user defaults file %s: %s", path_.c_str(), reason.c_str());
        return std::optional<std::string>(std::move(reason));
    };
    std::string error;
    auto bytes = PropertyList::serialize(values, fileFormat_, &error);
    if (!bytes)
        return fail(error);
    std::string folder = parentFolder(path_);
    std::string temporary = folder + "/." + fileName(path_) + ".XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return fail(std::strerror(errno));
    temporary = pattern.data();
    ::fchmod(fd, 0644);
    const std::uint8_t* p = bytes->data();
    std::size_t left = bytes->size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    int savedErrno = errno;
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return fail(std::strerror(savedErrno));
    }
    // The rename itself must reach the disk too.
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

std::optional<std::string> NSUserDefaults::persistLocked(const String& key, const Id& value)
{
    std::string folder = parentFolder(path_);
    if (!makeFolders(folder)) {
        std::string reason = "cannot make the folder " + folder;
        Log::error("Could not write the user defaults file %s: %s", path_.c_str(), reason.c_str());
        lastWriteFailed_ = true;
        return reason;
    }
    FolderLock folderLock(folder);
    Dictionary onDisk;
    DiskState state = readDiskLocked(onDisk);
    if (state == DiskState::Unreadable) {
        lastWriteFailed_ = true;
        return std::string("the file could not be read, so it is not written over");
    }
    // Keys another instance wrote meanwhile are kept; only this key changes.
    // A missing or corrupt (now moved aside) file is rebuilt from what this
    // instance holds.
    Dictionary merged = state == DiskState::Read ? onDisk : values_;
    merged.setObject(value, key);
    auto failure = writeFileLocked(merged);
    lastWriteFailed_ = failure.has_value();
    return failure;
}

NSUserDefaults::StorageProblem& NSUserDefaults::recordLocked(StorageProblem::Kind kind, std::string reason)
{
    if (kind == StorageProblem::Kind::WriteFailed || kind == StorageProblem::Kind::WriteRefused)
        ++failedWrites_;
    if (problems_.size() == maximumStorageProblems)
        problems_.erase(problems_.begin());
    StorageProblem& problem = problems_.emplace_back();
    problem.kind = kind;
    problem.number = ++problemsNumbered_;
    problem.reason = std::move(reason);
    return problem;
}

std::vector<NSUserDefaults::StorageProblem> NSUserDefaults::storageProblems() const
{
    std::lock_guard lock(mutex_);
    return problems_;
}

std::uint64_t NSUserDefaults::failedWriteCount() const
{
    std::lock_guard lock(mutex_);
    return failedWrites_;
}

Id NSUserDefaults::objectForKey(const String& key) const
{
    std::lock_guard lock(mutex_);
    Id value = values_.objectForKey(key);
    return value.isNil() ? registered_.objectForKey(key) : value;
}

std::optional<String> NSUserDefaults::stringForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (const String* s = value.string())
        return *s;
    if (value.isNumber() && !value.isBoolean())
        return value.description();
    if (value.isBoolean())
        return String(value.boolValue() ? "1" : "0");
    return std::nullopt;
}

std::optional<Array> NSUserDefaults::arrayForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (const Array* a = value.array())
        return *a;
    return std::nullopt;
}

std::optional<Dictionary> NSUserDefaults::dictionaryForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (const Dictionary* d = value.dictionary())
        return *d;
    return std::nullopt;
}

std::optional<Data> NSUserDefaults::dataForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (const Data* d = value.data())
        return *d;
    return std::nullopt;
}

std::optional<std::vector<String>> NSUserDefaults::stringArrayForKey(const String& key) const
{
    auto array = arrayForKey(key);
    if (!array)
        return std::nullopt;
    std::vector<String> strings;
    for (const Id& item : *array) {
        if (!item.isString())
            return std::nullopt;
        strings.push_back(*item.string());
    }
    return strings;
}

bool NSUserDefaults::boolForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (value.isNumber())
        return value.boolValue();
    if (const String* s = value.string()) {
        std::string text = s->utf8();
        if (text.empty())
            return false;
        char first = text[0];
        if (first == 'Y' || first == 'y' || first == 'T' || first == 't')
            return true;
        return std::strtoll(text.c_str(), nullptr, 10) != 0;
    }
    return false;
}

std::int64_t NSUserDefaults::integerForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (value.isNumber())
        return value.integerValue();
    if (const String* s = value.string())
        return std::strtoll(s->utf8().c_str(), nullptr, 10);
    return 0;
}

double NSUserDefaults::doubleForKey(const String& key) const
{
    Id value = objectForKey(key);
    if (value.isNumber())
        return value.doubleValue();
    if (const String* s = value.string())
        return std::strtod(s->utf8().c_str(), nullptr);
    return 0;
}

void NSUserDefaults::setObject(const Id& value, const String& key)
{
    if (key.empty()) {
        Log::error("Attempt to set a user default with an empty key");
        return;
    }
    {
        // A value the file's form can't hold is refused; an unchanged one is
        // no write.
        std::lock_guard lock(mutex_);
        if (auto why = value.isNil() ? std::nullopt : PropertyList::whyNotPropertyList(value, fileFormat_)) {
            if (PropertyList::isPropertyList(value))
                Log::error("Cannot store %s for key %s: %s", printable(value).c_str(), key.utf8().c_str(),
                           why->c_str());
            else
                Log::error("Attempt to insert non-property list object %s for key %s: %s", printable(value).c_str(),
                           key.utf8().c_str(), why->c_str());
            recordLocked(StorageProblem::Kind::WriteRefused, *why).key = key;
            return;
        }
        if (sameValue(values_.objectForKey(key), value))
            return;
    }
    willChangeValueForKey(key);
    {
        // The value is taken in memory once the disk has been tried and a
        // failure recorded, so that whoever looks while the write is under
        // way (a log line of it) sees the value and its fate together.
        std::lock_guard lock(mutex_);
        if (auto failure = persistLocked(key, value)) {
            StorageProblem& problem = recordLocked(StorageProblem::Kind::WriteFailed, *failure);
            problem.key = key;
            problem.value = value;
        }
        values_.setObject(value, key);
    }
    didChangeValueForKey(key);
}

void NSUserDefaults::removeObjectForKey(const String& key)
{
    setObject(Id(), key);
}

void NSUserDefaults::registerDefaults(const Dictionary& defaults)
{
    std::vector<String> changed;
    Dictionary registered;
    {
        std::lock_guard lock(mutex_);
        registered = registered_;
        for (const auto& [key, value] : defaults) {
            if (!key.isString() || !PropertyList::isPropertyList(value))
                continue;
            if (!sameValue(registered.objectForKey(key), value)) {
                registered.setObject(value, key);
                if (values_.objectForKey(key).isNil())
                    changed.push_back(*key.string());
            }
        }
    }
    for (const String& key : changed)
        willChangeValueForKey(key);
    {
        std::lock_guard lock(mutex_);
        registered_ = registered;
    }
    for (auto it = changed.rbegin(); it != changed.rend(); ++it)
        didChangeValueForKey(*it);
}

Dictionary NSUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    Dictionary merged = registered_;
    for (const auto& [key, value] : values_)
        merged.setObject(value, key);
    return merged;
}

Dictionary NSUserDefaults::persistentDomain() const
{
    std::lock_guard lock(mutex_);
    return values_;
}

void NSUserDefaults::replaceValues(const Dictionary& values)
{
    std::vector<String> changed;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, value] : values_) {
            if (!sameValue(values.objectForKey(key), value))
                changed.push_back(*key.string());
        }
        for (const auto& [key, value] : values) {
            if (values_.objectForKey(key).isNil())
                changed.push_back(*key.string());
        }
    }
    for (const String& key : changed)
        willChangeValueForKey(key);
    {
        std::lock_guard lock(mutex_);
        values_ = values;
    }
    for (auto it = changed.rbegin(); it != changed.rend(); ++it)
        didChangeValueForKey(*it);
}

bool NSUserDefaults::synchronize()
{
    Dictionary values;
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        std::string folder = parentFolder(path_);
        // Locks nothing when the folder doesn't exist yet.
        FolderLock folderLock(folder);
        switch (readDiskLocked(values)) {
        case DiskState::Read:
        case DiskState::Missing:
            break;
        case DiskState::Corrupt:
            // What was there is kept aside; what this instance holds is
            // written back so that it isn't lost as well.
            values = values_;
            ok = makeFolders(folder) && !writeFileLocked(values);
            break;
        case DiskState::Unreadable:
            return false;
        }
        ok = ok && !lastWriteFailed_;
    }
    replaceValues(values);
    return ok;
}

Id NSUserDefaults::valueForKey(const String& key)
{
    return objectForKey(key);
}

void NSUserDefaults::setValueForKey(const Id& value, const String& key)
{
    setObject(value, key);
}

bool NSUserDefaults::automaticallyNotifiesObserversForKey(const String&) const
{
    return false;
}

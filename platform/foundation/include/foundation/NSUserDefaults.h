#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/PropertyList.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The user's settings of one domain, kept as a property list at
// <home>/Library/Preferences/<domain>.plist. Every write goes to disk at once
// and atomically (a temporary file in the same folder, flushed and renamed
// over the old one), so a crash leaves either the old or the new file, never a
// half-written one. A file that can't be read is logged and moved aside as
// "<domain>.plist.corrupt-<timestamp>" before anything new is written; what it
// held stays on disk.
//
// Key-value observing works for every key: valueForKey answers the stored
// value (nil when absent, never an undefined-key exception) and each change
// sends will/did-change for its key, so
// `observe(NSUserDefaults::standardUserDefaults(), "rememberShortcuts", ...)`
// sees every write. A write that doesn't change the stored value does nothing:
// no file write, no notification.
//
// Values are the property-list kinds: Boolean, number, string, data, date,
// array and dictionary (string keys). Anything else (objects, the null
// marker, a string holding U+0000, which the file can't carry) is refused with
// an error log line and not stored, as is a value the file's form can't hold
// (a date beyond the years 0000 to 9999 in XML). Values in the file that this
// instance did not write go back unchanged when it writes another key: a file
// is written in the form it was last read in (XML or binary; an OpenStep file
// becomes XML, which holds all it can say), and a new file is XML.
//
// A write that can't reach the disk keeps the new value in memory for this
// run, logs why, and is told as a storage problem, as are files that can't be
// read: the program's driver shows them beside the writes that worked.
class NSUserDefaults : public NSObject {
    KS_OBJECT(NSUserDefaults, NSObject)

public:
    // The standard domain: the main bundle's identifier under the current
    // home folder. The object lives as long as the program; resetting rebinds
    // it instead of replacing it, so holders of the reference (the shared
    // user-defaults controller) stay valid.
    static NSUserDefaults& standardUserDefaults();
    // For tests and program start-up: points the home folder at `home`, the
    // standard domain at `bundleIdentifier` (empty: the main bundle's
    // identifier) and rereads the standard instance from the file there;
    // registered defaults are dropped. Observers are not told about the
    // rebinding.
    static void resetStandardUserDefaults(const String& home, const String& bundleIdentifier = String());
    // Rereads the standard instance from NSHomeDirectory() and the main
    // bundle's identifier as they are now, and drops registered defaults.
    static void resetStandardUserDefaults();

    // An independent instance over one domain's file, as another process run
    // would have: it reads what is on disk now and writes through.
    static std::shared_ptr<NSUserDefaults> create(const String& home, const String& domain);
    // The same over an explicit file path.
    static std::shared_ptr<NSUserDefaults> createWithPath(const std::string& plistPath,
                                                          const String& domain = String());

    // The domain of the standard instance: the main bundle's identifier, or
    // the executable's file name when the main bundle has none.
    static String standardDomainName();
    // <home>/Library/Preferences/<domain>.plist
    static std::string pathForDomain(const String& home, const String& domain);

    const String& domainName() const { return domain_; }
    std::string path() const;

    // Reads: the value in the domain, else the registered default, else nil.
    Id objectForKey(const String& key) const;
    std::optional<String> stringForKey(const String& key) const;  // a string, or a number's description
    std::optional<Array> arrayForKey(const String& key) const;
    std::optional<Dictionary> dictionaryForKey(const String& key) const;
    std::optional<Data> dataForKey(const String& key) const;
    std::optional<std::vector<String>> stringArrayForKey(const String& key) const;  // only if every item is a string
    // Numbers and Booleans convert; the strings "YES"/"true" (and numbers in
    // text) are read as the platform reads them; absent or anything else is
    // false / 0.
    bool boolForKey(const String& key) const;
    std::int64_t integerForKey(const String& key) const;
    double doubleForKey(const String& key) const;
    float floatForKey(const String& key) const { return static_cast<float>(doubleForKey(key)); }

    // Writes. A nil value removes the key.
    void setObject(const Id& value, const String& key);
    void removeObjectForKey(const String& key);
    void setBool(bool value, const String& key) { setObject(Id::boolean(value), key); }
    void setInteger(std::int64_t value, const String& key) { setObject(Id::number(value), key); }
    void setDouble(double value, const String& key) { setObject(Id::number(value), key); }
    void setFloat(float value, const String& key) { setObject(Id::number(static_cast<double>(value)), key); }

    // Fallback values that are answered when the domain has none; they are
    // never written to disk.
    void registerDefaults(const Dictionary& defaults);
    // The domain's values merged over the registered ones.
    Dictionary dictionaryRepresentation() const;
    // The values stored in the domain only (what the file holds).
    Dictionary persistentDomain() const;

    // What went wrong between this instance and its file.
    struct StorageProblem {
        enum class Kind : std::uint8_t {
            // The file could not be read; it was kept as `movedTo`.
            MovedAside,
            // The file could be neither read nor moved aside; it is never
            // written over.
            Unreadable,
            // The change of `key` to `value` (nil: its removal) is held in
            // memory but is not on disk.
            WriteFailed,
            // The value for `key` has no property-list form; nothing changed.
            WriteRefused,
        };
        Kind kind = Kind::WriteFailed;
        // Counts up over the instance's life, across rebindings, so that a
        // reader can tell the problems it has not seen yet.
        std::uint64_t number = 0;
        String key;
        Id value;
        std::string reason;
        std::string movedTo;
    };
    // The most recent problems since the instance was bound to its file
    // (up to maximumStorageProblems), oldest first.
    std::vector<StorageProblem> storageProblems() const;
    static constexpr std::size_t maximumStorageProblems = 64;
    // The writes since the instance was bound to its file that failed or
    // were refused.
    std::uint64_t failedWriteCount() const;

    // Writes are already on disk; this rereads the file so that values another
    // instance (another process run) wrote become visible, telling observers
    // of the keys that changed. False when the last write or this read failed.
    bool synchronize();

    // Key-value coding over the stored values.
    Id valueForKey(const String& key) override;
    void setValueForKey(const Id& value, const String& key) override;
    // setObject announces its own changes.
    bool automaticallyNotifiesObserversForKey(const String& key) const override;

    NSUserDefaults(std::string path, String domain);

private:
    enum class DiskState { Read, Missing, Corrupt, Unreadable };
    // Reads the file as it is on disk now, noting its form; a corrupt file is
    // moved aside (and reported as Corrupt), one that can't be opened or moved
    // is Unreadable.
    DiskState readDiskLocked(Dictionary& values);
    // Applies one change to what is on disk and writes the result
    // atomically; the reason when it could not.
    std::optional<std::string> persistLocked(const String& key, const Id& value);
    // Writes the file in fileFormat_.
    std::optional<std::string> writeFileLocked(const Dictionary& values);
    // Keeps a new problem, dropping the oldest beyond the limit; the caller
    // fills in what else it knows.
    StorageProblem& recordLocked(StorageProblem::Kind kind, std::string reason);
    // Replaces the stored values, telling observers of every key that changed.
    void replaceValues(const Dictionary& values);

    mutable std::recursive_mutex mutex_;
    std::string path_;
    String domain_;
    Dictionary values_;
    Dictionary registered_;
    bool lastWriteFailed_ = false;
    // The form of the file as last read: what it is written back in.
    PropertyList::Format fileFormat_ = PropertyList::Format::XML;
    std::vector<StorageProblem> problems_;
    std::uint64_t failedWrites_ = 0;
    std::uint64_t problemsNumbered_ = 0;
    // Set when the file could be neither read nor moved aside: it is then never
    // written over.
    bool writesBlocked_ = false;
};

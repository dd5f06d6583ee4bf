#pragma once

#include "foundation/NSObject.h"

#include <memory>

// File URLs only: what bundles and resources hand out. Two URLs are equal when
// their paths are.
class NSURL : public NSObject {
    KS_OBJECT(NSURL, NSObject)

public:
    // "file://" + the path; a relative path is made absolute against the
    // current folder. Empty for an empty path.
    static std::shared_ptr<NSURL> fileURLWithPath(const String& path);
    // A "file://" URL string, or a plain absolute path; nullptr for anything else.
    static std::shared_ptr<NSURL> URLWithString(const String& string);

    const String& path() const { return path_; }
    String absoluteString() const;
    bool isFileURL() const { return true; }
    String lastPathComponent() const;
    String pathExtension() const;
    std::shared_ptr<NSURL> URLByAppendingPathComponent(const String& component) const;
    std::shared_ptr<NSURL> URLByDeletingLastPathComponent() const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override { return absoluteString(); }

    explicit NSURL(String path)
        : path_(std::move(path))
    {
    }

private:
    String path_;
};

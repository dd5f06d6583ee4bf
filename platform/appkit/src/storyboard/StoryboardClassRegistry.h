#pragma once

#include "appkit/NSStoryboard.h"
#include "foundation/ClassDescriptor.h"
#include "foundation/String.h"

#include <mutex>
#include <optional>
#include <unordered_map>

namespace detail {

// The classes storyboards may name, as the platform's run time knows every
// class linked into the program: the framework's own from the start, the
// program's as it registers them.
class StoryboardClassRegistry {
public:
    struct ClassEntry {
        const ClassDescriptor* cls = nullptr;
        NSStoryboard::Factory factory;
    };
    struct SegueEntry {
        const ClassDescriptor* cls = nullptr;
        NSStoryboard::SegueFactory factory;
    };

    static StoryboardClassRegistry& shared();

    void registerClass(const ClassDescriptor& cls, NSStoryboard::Factory factory);
    void registerSegueClass(const ClassDescriptor& cls, NSStoryboard::SegueFactory factory);
    std::optional<ClassEntry> classNamed(const String& name) const;
    std::optional<SegueEntry> segueClassNamed(const String& name) const;

private:
    StoryboardClassRegistry();

    mutable std::mutex mutex_;
    std::unordered_map<String, ClassEntry> classes_;
    std::unordered_map<String, SegueEntry> segues_;
};

}  // namespace detail

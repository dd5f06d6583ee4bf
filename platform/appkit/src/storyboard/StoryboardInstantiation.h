#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"
#include "storyboard/StoryboardDocument.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class NSApplication;
class NSStoryboard;

namespace detail {

// Why making a scene failed; the storyboard logs it and answers nothing.
struct StoryboardInstantiationError {
    std::string message;
};

// Makes the objects of one scene and connects them. Each scene has its own
// namespace of identifiers; a scene embedded by name gets an instantiation
// of its own.
class StoryboardInstantiation {
public:
    StoryboardInstantiation(std::shared_ptr<NSStoryboard> storyboard, const StoryboardDocument& document,
                            std::shared_ptr<NSApplication> application);

    // Both raise StoryboardInstantiationError (and let the framework's own
    // exceptions through, for the storyboard to turn into the same).
    std::shared_ptr<NSObject> controller(const StoryboardScene& scene);
    std::vector<std::pair<String, std::shared_ptr<NSObject>>> applicationObjects(const StoryboardScene& scene);

private:
    std::shared_ptr<NSObject> make(const StoryboardObject& object);
    void connect(const StoryboardObject& object);
    std::shared_ptr<NSObject> resolve(const String& reference, const std::string& path) const;
    std::shared_ptr<NSObject> embedded(const StoryboardReference& reference, const std::string& path);
    void activateConstraints(const StoryboardObject& object, NSView& holder);
    void connectViewController(const StoryboardObject& object, const std::shared_ptr<NSObject>& made);
    void connectWindowController(const StoryboardObject& object, const std::shared_ptr<NSObject>& made);

    std::shared_ptr<NSStoryboard> storyboard_;
    const StoryboardDocument& document_;
    std::shared_ptr<NSApplication> application_;
    std::unordered_map<String, std::shared_ptr<NSObject>> byIdentifier_;
    std::unordered_map<const StoryboardObject*, std::shared_ptr<NSObject>> byTemplate_;
};

}  // namespace detail

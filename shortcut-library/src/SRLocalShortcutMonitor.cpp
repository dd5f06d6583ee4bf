#include "shortcut-library/SRLocalShortcutMonitor.h"

#include "SRActivity.h"
#include "appkit/NSError.h"
#include "appkit/NSEvent.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/PropertyList.h"

#include <span>

namespace {

struct PresetRow {
    const char* selector;
    const char* keyEquivalent;
    NSInteger tag = 0;
};

// Later rows of one shortcut take precedence over earlier ones, as later
// additions do everywhere in a monitor.
constexpr PresetRow standardRows[] = {
    {"moveForward:", "⌃F"},
    {"moveRight:", "→"},
    {"moveBackward:", "⌃B"},
    {"moveLeft:", "←"},
    {"moveUp:", "↑"},
    {"moveUp:", "⌃P"},
    {"moveDown:", "↓"},
    {"moveDown:", "⌃N"},
    {"moveWordForward:", "⌥F"},
    {"moveWordBackward:", "⌥B"},
    {"moveToBeginningOfLine:", "⌃A"},
    {"moveToEndOfLine:", "⌃E"},
    {"moveToEndOfDocument:", "⌘↓"},
    {"moveToBeginningOfDocument:", "⌘↑"},
    {"pageDown:", "⌃V"},
    {"pageUp:", "⌥V"},
    {"centerSelectionInVisibleArea:", "⌃L"},
    {"moveBackwardAndModifySelection:", "⇧⌃B"},
    {"moveForwardAndModifySelection:", "⇧⌃F"},
    {"moveWordForwardAndModifySelection:", "⇧⌥F"},
    {"moveWordBackwardAndModifySelection:", "⇧⌥B"},
    {"moveUpAndModifySelection:", "⇧↑"},
    {"moveUpAndModifySelection:", "⇧⌃P"},
    {"moveDownAndModifySelection:", "⇧↓"},
    {"moveDownAndModifySelection:", "⇧⌃N"},
    {"moveToBeginningOfLineAndModifySelection:", "⇧⌃A"},
    {"moveToBeginningOfLineAndModifySelection:", "⇧⌘←"},
    {"moveToEndOfLineAndModifySelection:", "⇧⌃E"},
    {"moveToEndOfLineAndModifySelection:", "⇧⌘→"},
    {"moveToEndOfDocumentAndModifySelection:", "⇧⌘↓"},
    {"moveToBeginningOfDocumentAndModifySelection:", "⇧⌘↑"},
    {"pageDownAndModifySelection:", "⇧⌃V"},
    {"pageUpAndModifySelection:", "⇧⌥V"},
    {"moveWordRight:", "⌥→"},
    {"moveWordLeft:", "⌥←"},
    {"moveRightAndModifySelection:", "⇧→"},
    {"moveLeftAndModifySelection:", "⇧←"},
    {"moveWordRightAndModifySelection:", "⇧⌥→"},
    {"moveWordLeftAndModifySelection:", "⇧⌥←"},
    {"moveToLeftEndOfLine:", "⌘←"},
    {"moveToRightEndOfLine:", "⌘→"},
    {"moveToLeftEndOfLineAndModifySelection:", "⇧⌘←"},
    {"moveToRightEndOfLineAndModifySelection:", "⇧⌘→"},
    {"scrollPageUp:", "⇞"},
    {"scrollPageDown:", "⇟"},
    {"scrollToBeginningOfDocument:", "↖"},
    {"scrollToEndOfDocument:", "↘"},
    {"transpose:", "⌃T"},
    {"transposeWords:", "⌥T"},
    {"selectAll:", "⌘A"},
    {"insertNewline:", "⌃O"},
    {"deleteForward:", "⌦"},
    {"deleteBackward:", "⌫"},
    {"deleteWordForward:", "⌥⌦"},
    {"deleteWordBackward:", "⌥⌫"},
    {"deleteToEndOfLine:", "⌃K"},
    {"deleteToBeginningOfLine:", "⌃W"},
    {"yank:", "⌃Y"},
    {"setMark:", "⌃Space"},
    {"complete:", "⌥⎋"},
    {"cancelOperation:", "⌘."},
};
static_assert(std::size(standardRows) == 61);

constexpr PresetRow mainMenuRows[] = {
    {"hide:", "⌘H"},
    {"hideOtherApplications:", "⌥⌘H"},
    {"terminate:", "⌘Q"},
    {"newDocument:", "⌘N"},
    {"openDocument:", "⌘O"},
    {"performClose:", "⌘W"},
    {"saveDocument:", "⌘S"},
    {"saveDocumentAs:", "⇧⌘S"},
    {"revertDocumentToSaved:", "⌘R"},
    {"runPageLayout:", "⇧⌘P"},
    {"print:", "⌘P"},
    {"undo:", "⌘Z"},
    {"redo:", "⇧⌘Z"},
    {"cut:", "⌘X"},
    {"copy:", "⌘C"},
    {"paste:", "⌘V"},
    {"pasteAsPlainText:", "⌥⇧⌘V"},
    {"selectAll:", "⌘A"},
    {"performTextFinderAction:", "⌘F", 1},
    {"performTextFinderAction:", "⌥⌘F", 12},
    {"performTextFinderAction:", "⌘G", 2},
    {"performTextFinderAction:", "⇧⌘G", 3},
    {"performTextFinderAction:", "⌘E", 7},
    {"centerSelectionInVisibleArea:", "⌘J"},
    {"showGuessPanel:", "⇧⌘;"},
    {"checkSpelling:", "⌘;"},
    {"orderFrontFontPanel:", "⌘T"},
    {"addFontTrait:", "⌘B", 2},
    {"addFontTrait:", "⌘I", 1},
    {"underline:", "⌘U"},
    {"modifyFont:", "⌘=", 3},
    {"modifyFont:", "⇧⌘=", 3},
    {"modifyFont:", "⌘-", 4},
    {"modifyFont:", "⇧⌘-", 4},
    {"orderFrontColorPanel:", "⇧⌘C"},
    {"copyFont:", "⌥⌘C"},
    {"pasteFont:", "⌥⌘V"},
    {"alignLeft:", "⇧⌘["},
    {"alignCenter:", "⇧⌘\\"},
    {"alignRight:", "⇧⌘]"},
    {"copyRuler:", "⌃⌘C"},
    {"pasteRuler:", "⌃⌘V"},
    {"toggleToolbarShown:", "⌥⌘T"},
    {"toggleSidebar:", "⌃⌘S"},
    {"toggleFullScreen:", "⌃⌘F"},
    {"performMiniaturize:", "⌘M"},
    {"showHelp:", "⇧⌘/"},
};
static_assert(std::size(mainMenuRows) == 47);

constexpr PresetRow clipboardRows[] = {
    {"cut:", "⌘X"}, {"copy:", "⌘C"}, {"paste:", "⌘V"}, {"pasteAsPlainText:", "⌥⇧⌘V"}, {"undo:", "⌘Z"}, {"redo:", "⇧⌘Z"},
};

constexpr PresetRow windowRows[] = {
    {"performClose:", "⌘W"},
    {"performMiniaturize:", "⌘M"},
    {"toggleFullScreen:", "⌃⌘F"},
};

// Save As keeps Shift-Command-S in the main menu; documents that can be
// duplicated give that key to Duplicate and move Save As to Shift-Option-Command-S.
constexpr PresetRow documentRows[] = {
    {"print:", "⌘P"},        {"runPageLayout:", "⇧⌘P"},   {"revertDocumentToSaved:", "⌘R"},
    {"saveDocument:", "⌘S"}, {"saveDocumentAs:", "⇧⌥⌘S"}, {"duplicateDocument:", "⇧⌘S"},
    {"openDocument:", "⌘O"},
};

constexpr PresetRow appRows[] = {
    {"hide:", "⌘H"},
    {"hideOtherApplications:", "⌥⌘H"},
    {"terminate:", "⌘Q"},
};

std::shared_ptr<SRLocalShortcutMonitor> monitorWithRows(std::span<const PresetRow> rows)
{
    auto monitor = std::make_shared<SRLocalShortcutMonitor>();
    // A key equivalent that doesn't parse leaves its row out.
    for (const PresetRow& row : rows)
        monitor->addAction(Selector(row.selector), String(row.keyEquivalent), row.tag);
    return monitor;
}

// NSFileReadNoSuchFileError and NSFileReadCorruptFileError.
constexpr NSInteger noSuchFileErrorCode = 260;
constexpr NSInteger corruptFileErrorCode = 259;

// A key-binding file as a dictionary; nullopt with the error otherwise.
std::optional<Dictionary> readKeyBindings(const String& path, std::shared_ptr<NSError>& error)
{
    if (path.empty()) {
        error = NSError::errorWithDomain(NSCocoaErrorDomain, noSuchFileErrorCode);
        return std::nullopt;
    }
    bool missing = false;
    auto result = PropertyList::readFile(path.utf8(), &missing);
    if (!result) {
        error = NSError::errorWithDomain(NSCocoaErrorDomain, missing ? noSuchFileErrorCode : corruptFileErrorCode,
                                         {{NSLocalizedDescriptionKey, Id(String(result.error()))}});
        return std::nullopt;
    }
    if (const Dictionary* dictionary = result->value.dictionary())
        return *dictionary;
    error = NSError::errorWithDomain(NSCocoaErrorDomain, corruptFileErrorCode,
                                     {{NSLocalizedDescriptionKey, Id(String("not a dictionary"))}});
    return std::nullopt;
}

}  // namespace

bool SRLocalShortcutMonitor::handleEvent(const NSEvent& event, const std::shared_ptr<NSObject>& target)
{
    SR_METHOD_ACTIVITY("handleEvent:withTarget:");
    // Only the key code and the modifier flags take part in matching.
    auto shortcut = SRShortcut::shortcutWithEvent(event, true);
    if (!shortcut) {
        Log::error("#Error Not a keyboard event");
        return false;
    }
    SRKeyEventType keyEvent = detail::SRKeyEventTypeForEventType(event.type(), event.keyCode(), event.modifierFlags());
    // A copy: the actions run without the lock and may change the monitor.
    return performActions(enabledActionsForShortcutKey(detail::SRShortcutKey(*shortcut), keyEvent), target);
}

// MARK: - Key bindings

Dictionary SRLocalShortcutMonitor::parseSystemKeyBindings()
{
    String path;
    if (auto bundle = NSBundle::bundleWithIdentifier(applicationFrameworkBundleIdentifier))
        path = bundle->pathForResource("StandardKeyBinding", "dict");
    std::shared_ptr<NSError> error;
    if (auto dictionary = readKeyBindings(path, error))
        return *dictionary;
    Log::write(LogLevel::Error, {{"error", Id(error->localizedDescription())}},
               "#Error unable to read system key bindings");
    return {};
}

Dictionary SRLocalShortcutMonitor::parseUserKeyBindings()
{
    String path = stringByExpandingTildeInPath("~/Library/KeyBindings/DefaultKeyBinding.dict");
    std::shared_ptr<NSError> error;
    if (auto dictionary = readKeyBindings(path, error))
        return *dictionary;
    // Most users have no bindings of their own; that is not worth a line
    // outside debugging.
    if (Log::debugEnabled())
        Log::write(LogLevel::Debug, {{"error", Id(error->localizedDescription())}},
                   "#Error unable to read user key bindings");
    return {};
}

void SRLocalShortcutMonitor::updateWithCocoaTextKeyBindings()
{
    SR_METHOD_ACTIVITY("updateWithCocoaTextKeyBindings");
    Dictionary bindings = parseSystemKeyBindings();
    for (const auto& [key, value] : parseUserKeyBindings())
        bindings.setObject(value, key);

    static const String noop("noop:");
    std::lock_guard lock(actionsLock());
    for (const auto& [key, value] : bindings) {
        const String* keyBinding = key.string();
        if (!keyBinding || keyBinding->empty())
            continue;
        auto shortcut = SRShortcut::shortcutWithKeyBinding(*keyBinding);
        if (!shortcut)
            continue;
        // A single command stands for a list of one. Nested dictionaries
        // (multi-key sequences) are neither and make nothing.
        Array commands = value.array() ? *value.array() : Array{value};
        for (const Id& command : commands) {
            const String* selector = command.string();
            if (!selector)
                continue;
            if (selector->empty() || *selector == noop) {
                withdrawEnabledActions(*shortcut, SRKeyEventTypeDown,
                                       [](const SRShortcutAction& action) { return !action.observedObject(); });
                continue;
            }
            auto action =
                SRShortcutAction::shortcutActionWithShortcut(shortcut, nullptr, Selector(selector->utf8()), 0);
            addAction(action, SRKeyEventTypeDown);
        }
    }
}

// MARK: - Presets

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::standardShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor standardShortcuts]");
    auto monitor = monitorWithRows(standardRows);
    monitor->updateWithCocoaTextKeyBindings();
    return monitor;
}

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::mainMenuShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor mainMenuShortcuts]");
    return monitorWithRows(mainMenuRows);
}

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::clipboardShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor clipboardShortcuts]");
    return monitorWithRows(clipboardRows);
}

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::windowShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor windowShortcuts]");
    return monitorWithRows(windowRows);
}

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::documentShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor documentShortcuts]");
    return monitorWithRows(documentRows);
}

std::shared_ptr<SRLocalShortcutMonitor> SRLocalShortcutMonitor::appShortcuts()
{
    LogActivity activity("+[SRLocalShortcutMonitor appShortcuts]");
    return monitorWithRows(appRows);
}

#pragma once

#include "Kestrova/RunningApp.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

class NSCollectionViewItem;
class NSRunningApplication;
class NSWorkspace;

// Which running applications the switcher's lists show, and the two orders
// they are shown in. The orders are comparators for a stable sort: what they
// don't order keeps the workspace's order.

// The applications with the regular activation policy, in the workspace's
// order. Nothing else is left out: hidden applications, ones without
// windows, one that has quit but is still reported, and this program while
// its own policy is regular are all listed.
std::vector<std::shared_ptr<NSRunningApplication>> regularApplications(const NSWorkspace& workspace);

// The applications as the lists hold them, in the same order, each with an
// Accessibility element made for its process.
std::vector<RunningApp> runningAppsOf(const std::vector<std::shared_ptr<NSRunningApplication>>& applications);

// Shows the application in a row or tile of a list: its icon, 64 points
// square, in the item's image view and its name in the item's text field
// (either when connected). Answers the name shown.
String showApplication(NSCollectionViewItem& item, const NSRunningApplication& application);

// The switcher's order: applications with a stored shortcut first (only
// whether there is one counts), each group by name without regard to case.
bool shortcutsFirst(const std::shared_ptr<NSRunningApplication>& a, const std::shared_ptr<NSRunningApplication>& b);

// The assign-shortcuts list's order: by name, case kept, so "Zed" comes
// before "alpha".
bool namesAscending(const std::shared_ptr<NSRunningApplication>& a, const std::shared_ptr<NSRunningApplication>& b);

// The same two orders for a whole list at once, stable like the sorts above:
// each application's name and stored shortcut are read once, not at every
// comparison, which is what makes the difference on a long list.
void sortShortcutsFirst(std::vector<std::shared_ptr<NSRunningApplication>>& applications);
void sortNamesAscending(std::vector<std::shared_ptr<NSRunningApplication>>& applications);

// An application's name as the lists compare it and as its application key
// is made from it: its localized name, or the empty string.
String applicationName(const NSRunningApplication& application);

// The text order of both comparators: the texts in composed form (NFC),
// compared Unicode scalar by scalar, a proper prefix first. Not tailored to a
// locale and not numeric ("Item 10" comes before "Item 9").
bool textPrecedes(const String& a, const String& b);
// Lower-cased by the default full mapping of Unicode, without a locale's
// tailoring, then in the same order.
bool lowercasedTextPrecedes(const String& a, const String& b);

#pragma once

// Names of the attributes, roles, subroles and actions that the elements of
// the simulated desktop answer to, and of the trust-check option.

// Attributes of every element.
inline constexpr const char* kAXRoleAttribute = "AXRole";
inline constexpr const char* kAXSubroleAttribute = "AXSubrole";
inline constexpr const char* kAXTitleAttribute = "AXTitle";

// Attributes of the system-wide element.
inline constexpr const char* kAXFocusedApplicationAttribute = "AXFocusedApplication";

// Attributes of an application element.
inline constexpr const char* kAXWindowsAttribute = "AXWindows";
inline constexpr const char* kAXMainWindowAttribute = "AXMainWindow";
inline constexpr const char* kAXFocusedWindowAttribute = "AXFocusedWindow";
inline constexpr const char* kAXFrontmostAttribute = "AXFrontmost";
inline constexpr const char* kAXHiddenAttribute = "AXHidden";

// Attributes of a window element.
inline constexpr const char* kAXMainAttribute = "AXMain";
inline constexpr const char* kAXFocusedAttribute = "AXFocused";
inline constexpr const char* kAXMinimizedAttribute = "AXMinimized";
inline constexpr const char* kAXPositionAttribute = "AXPosition";
inline constexpr const char* kAXSizeAttribute = "AXSize";

inline constexpr const char* kAXSystemWideRole = "AXSystemWide";
inline constexpr const char* kAXApplicationRole = "AXApplication";
inline constexpr const char* kAXWindowRole = "AXWindow";

inline constexpr const char* kAXStandardWindowSubrole = "AXStandardWindow";
inline constexpr const char* kAXDialogSubrole = "AXDialog";
inline constexpr const char* kAXSystemDialogSubrole = "AXSystemDialog";
inline constexpr const char* kAXFloatingWindowSubrole = "AXFloatingWindow";

inline constexpr const char* kAXRaiseAction = "AXRaise";

// Key of the trust-check options: a Boolean true asks the system to show its
// dialog when the process isn't trusted.
inline constexpr const char* kAXTrustedCheckOptionPrompt = "AXTrustedCheckOptionPrompt";

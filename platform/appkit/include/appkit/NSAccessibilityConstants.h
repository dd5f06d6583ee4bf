#pragma once

// The application framework's names for the Accessibility attributes a
// program reads and writes on other applications' elements. They are the
// same texts the Accessibility calls take, so either spelling reaches the
// same attribute.
inline constexpr const char* NSAccessibilityTitleAttribute = "AXTitle";
inline constexpr const char* NSAccessibilityWindowsAttribute = "AXWindows";
inline constexpr const char* NSAccessibilityMainAttribute = "AXMain";
inline constexpr const char* NSAccessibilityMainWindowAttribute = "AXMainWindow";
inline constexpr const char* NSAccessibilityFocusedAttribute = "AXFocused";
inline constexpr const char* NSAccessibilityFocusedWindowAttribute = "AXFocusedWindow";
inline constexpr const char* NSAccessibilityPositionAttribute = "AXPosition";
inline constexpr const char* NSAccessibilitySizeAttribute = "AXSize";

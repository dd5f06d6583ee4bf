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

// Roles of the elements a program's own views present, and the actions
// they perform, with the platform's names.
inline constexpr const char* NSAccessibilityWindowRole = "AXWindow";
inline constexpr const char* NSAccessibilityGroupRole = "AXGroup";
inline constexpr const char* NSAccessibilityButtonRole = "AXButton";
inline constexpr const char* NSAccessibilityCheckBoxRole = "AXCheckBox";
inline constexpr const char* NSAccessibilityRadioButtonRole = "AXRadioButton";
inline constexpr const char* NSAccessibilityStaticTextRole = "AXStaticText";
inline constexpr const char* NSAccessibilityTextFieldRole = "AXTextField";
inline constexpr const char* NSAccessibilityPressAction = "AXPress";
inline constexpr const char* NSAccessibilityCancelAction = "AXCancel";
inline constexpr const char* NSAccessibilityDeleteAction = "AXDelete";

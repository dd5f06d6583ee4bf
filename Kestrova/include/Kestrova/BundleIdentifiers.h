#pragma once

// The bundle identifier of the login helper, which the program tells to quit
// and registers as a login item.
inline constexpr const char* kLoginHelperBundleIdentifier = "com.kestrova.KestrovaHelper";

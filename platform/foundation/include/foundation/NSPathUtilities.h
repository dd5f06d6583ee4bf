#pragma once

#include "foundation/String.h"

#include <string>

// The home folder of the simulated user: user defaults live under
// <home>/Library/Preferences, key bindings under <home>/Library/KeyBindings.
// Until a program or a test sets it, it is $XDG_DATA_HOME/Kestrova/home, or
// ~/.local/share/Kestrova/home when XDG_DATA_HOME is unset or empty. Nothing
// is created on disk until something is written there.
String NSHomeDirectory();
void setHomeDirectory(const String& path);

// The folder for temporary files: $TMPDIR, else /tmp, with a trailing slash.
String NSTemporaryDirectory();

// "~" and "~/..." become paths in NSHomeDirectory(); anything else is returned
// unchanged.
String stringByExpandingTildeInPath(const String& path);
// Joins with exactly one "/" between the parts; an empty base gives the
// component.
String stringByAppendingPathComponent(const String& base, const String& component);
// "dir/name.ext" -> "name.ext"; "dir/" -> "dir".
String lastPathComponent(const String& path);
// "name.ext" -> "ext"; "" when there is no extension.
String pathExtension(const String& path);
// "dir/name.ext" -> "dir/name".
String stringByDeletingPathExtension(const String& path);
// "dir/name.ext" -> "dir".
String stringByDeletingLastPathComponent(const String& path);

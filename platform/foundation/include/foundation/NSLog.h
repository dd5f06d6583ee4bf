#pragma once

// The platform's plain logging call: the text goes into the log at the
// default level, as the system's unified log takes what NSLog writes.
void NSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

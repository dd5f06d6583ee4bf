#pragma once

// The order of two values, with the platform's values: ascending means the
// receiver sorts first.
enum NSComparisonResult : long {
    NSOrderedAscending = -1,
    NSOrderedSame = 0,
    NSOrderedDescending = 1,
};

// Decimal text with a comma between groups of three digits.
#pragma once
#include <stdint.h>

/// The grouped text of value ("1,234,567", "-1"), in a buffer of its own that
/// the next call overwrites.
const char* groupDigits(int64_t value);

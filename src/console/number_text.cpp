// Digit-grouped number text.
#include "console/number_text.h"

#include <string.h>

static char numberText[64];

const char* groupDigits(int64_t value) {
  bool negative = value < 0;
  // The magnitude in unsigned arithmetic, so the most negative value works too.
  uint64_t m = negative ? 0 - (uint64_t)value : (uint64_t)value;
  int digits = 1;
  for (uint64_t rest = m / 10; rest != 0; rest /= 10) ++digits;
  int n = digits + (digits - 1) / 3;
  char* text = numberText + (negative ? 1 : 0);
  text[n] = 0;
  int at = n - 1;
  for (int k = 0; k < digits; ++k) {
    if (k > 0 && k % 3 == 0) text[at--] = ',';
    text[at--] = (char)('0' + m % 10);
    m /= 10;
  }
  if (negative) numberText[0] = '-';
  return numberText;
}

// Display widths and the laying of characters into cells.
#include "console/char_cells.h"

#include "platform/code_page_os.h"

namespace {

struct Range {
  uint16_t first;
  uint16_t last;
};

// East Asian Wide and Fullwidth characters of the Basic Multilingual Plane,
// unassigned points of the CJK blocks included. Half-width katakana and
// Hangul (U+FF61-U+FFDC) are narrow, as are the ambiguous ones.
const Range wideRanges[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x23E9, 0x23EC}, {0x23F0, 0x23F0},
    {0x23F3, 0x23F3}, {0x25FD, 0x25FE}, {0x2614, 0x2615}, {0x2648, 0x2653}, {0x267F, 0x267F},
    {0x2693, 0x2693}, {0x26A1, 0x26A1}, {0x26AA, 0x26AB}, {0x26BD, 0x26BE}, {0x26C4, 0x26C5},
    {0x26CE, 0x26CE}, {0x26D4, 0x26D4}, {0x26EA, 0x26EA}, {0x26F2, 0x26F3}, {0x26F5, 0x26F5},
    {0x26FA, 0x26FA}, {0x26FD, 0x26FD}, {0x2705, 0x2705}, {0x270A, 0x270B}, {0x2728, 0x2728},
    {0x274C, 0x274C}, {0x274E, 0x274E}, {0x2753, 0x2755}, {0x2757, 0x2757}, {0x2795, 0x2797},
    {0x27B0, 0x27B0}, {0x27BF, 0x27BF}, {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55},
    {0x2E80, 0x303E},  // CJK radicals, ideographic description, CJK symbols and punctuation
    {0x3041, 0x33FF},  // kana, bopomofo, Hangul compatibility jamo, enclosed and compatibility CJK
    {0x3400, 0x4DBF},  // CJK extension A
    {0x4E00, 0x9FFF},  // CJK unified ideographs
    {0xA000, 0xA4CF},  // Yi
    {0xA960, 0xA97F},  // Hangul jamo extended A
    {0xAC00, 0xD7A3},  // Hangul syllables
    {0xF900, 0xFAFF},  // CJK compatibility ideographs
    {0xFE10, 0xFE19},  // vertical forms
    {0xFE30, 0xFE6F},  // CJK compatibility forms, small form variants
    {0xFF00, 0xFF60},  // fullwidth forms
    {0xFFE0, 0xFFE6},  // fullwidth signs
};

}  // namespace

int cellWidth(uint16_t ch) {
  if (ch < 0x1100) return 1;
  int low = 0;
  int high = (int)(sizeof wideRanges / sizeof wideRanges[0]) - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    if (ch < wideRanges[middle].first)
      high = middle - 1;
    else if (ch > wideRanges[middle].last)
      low = middle + 1;
    else
      return 2;
  }
  return 1;
}

int layCharacters(const char* text, int length, uint16_t attribute, ConsoleCell* cells, int capacity) {
  uint16_t wide[520];
  if (length > (int)(sizeof wide / sizeof wide[0])) length = (int)(sizeof wide / sizeof wide[0]);
  int units = length > 0 ? osAnsiToWide(text, length, wide, (int)(sizeof wide / sizeof wide[0])) : 0;
  int used = 0;
  for (int k = 0; k < units; ++k) {
    uint16_t ch = wide[k];
    // The console holds one UTF-16 unit a cell: a surrogate pair would show
    // as two meaningless cells.
    if (ch >= 0xD800 && ch <= 0xDFFF) {
      if (ch <= 0xDBFF && k + 1 < units && wide[k + 1] >= 0xDC00 && wide[k + 1] <= 0xDFFF) ++k;
      ch = 0xFFFD;
    }
    int width = cellWidth(ch);
    if (used + width > capacity) break;
    cells[used].ch = ch;
    cells[used].attr = width == 2 ? (uint16_t)(attribute | cellLeadingHalf) : attribute;
    if (width == 2) cells[used + 1] = ConsoleCell{ch, (uint16_t)(attribute | cellTrailingHalf)};
    used += width;
  }
  return used;
}

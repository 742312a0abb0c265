// Reading a line of keys into a fixed field of the screen.
#pragma once

/// Edits buffer (len + 1 bytes) in the field of len cells at the 1-based row
/// and column: overwrite typing with echo, Left, Right, Insert, Delete and
/// Backspace, two-byte characters kept whole. Ends on Enter, Tab, line feed
/// or Escape, on a two-byte character with no room left, or when the cursor
/// passes the field's last byte. The buffer starts empty; the ending key is
/// not stored. A len below 1 returns at once.
void editLine(int row, int column, char* buffer, int len);

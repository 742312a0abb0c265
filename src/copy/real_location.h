// Real locations (osRealLocation) compared: every link followed, the same
// text for every spelling. Their text is UTF-8, letter case aside only for
// ASCII letters, and a backslash byte in it is always a separator.
#pragma once

/// Room for a real location's text and its NUL.
const int locationSize = 2048;

/// The two locations are one.
bool sameLocation(const char* a, const char* b);

/// location is root itself or lies below it.
bool locationWithin(const char* location, const char* root);

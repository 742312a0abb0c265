// The ASCII rules of path text: drive letters and letter case.
#pragma once

/// A-Z and a-z only: no byte of 0x80 or above is a letter here.
inline bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

/// a-z to A-Z; every other byte stays.
inline char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

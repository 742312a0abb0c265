// PathBuffer and the bounded text operations used on it.
#pragma once

/// Room of every path buffer: at most 519 bytes of text and the NUL.
const int pathBufferSize = 520;
typedef char PathBuffer[pathBufferSize];

/// Copies source into target (size bytes) when it fits whole; otherwise
/// leaves target empty and returns false. Never cuts a text.
bool copyText(char* target, int size, const char* source);

/// Appends source to target (size bytes) when the result fits whole;
/// otherwise leaves target unchanged and returns false.
bool appendText(char* target, int size, const char* source);

/// Equal once ASCII letters that are characters of their own (never the
/// second byte of a two-byte character) are folded to one case.
bool sameTextIgnoringCase(const char* a, const char* b);

/// Number of leading bytes of prefix found at the start of text, compared
/// as sameTextIgnoringCase does; equals strlen(prefix) when prefix leads text.
int leadingMatch(const char* prefix, const char* text);

/// The text's last byte is a backslash of its own, not the second byte of a
/// two-byte character.
bool endsInBackslash(const char* text);

/// Appends a backslash to folder (size bytes) unless it already ends in a
/// real one; false when it does not fit.
bool appendSeparator(char* folder, int size);

/// Builds folder, a separator (unless folder ends in a real backslash) and
/// name into out (size bytes); false, with out empty, when it does not fit.
bool joinPath(char* out, int size, const char* folder, const char* name);

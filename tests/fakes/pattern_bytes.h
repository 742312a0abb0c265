// Test bytes that differ from position to position, so that a shifted or
// misplaced piece shows up.
#pragma once
#include <stdint.h>

#include <string>

inline std::string patternBytes(size_t size, int seed = 1) {
  std::string bytes(size, 0);
  uint32_t x = 2463534242u + (uint32_t)seed;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = (char)x;
  }
  return bytes;
}

// What the fuzz targets share: a failing check that stops the run, and heap
// blocks of exactly the size asked, so that AddressSanitizer sees one byte
// too far.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

/// Prints what failed, with the text involved in hex, and aborts: libFuzzer
/// keeps the input as a finding.
[[noreturn]] inline void fuzzFailed(const char* file, int line, const char* what, const std::string& text) {
  fprintf(stderr, "%s:%d: check failed: %s\n  text (%zu bytes):", file, line, what, text.size());
  for (size_t i = 0; i < text.size() && i < 700; ++i) fprintf(stderr, " %02x", (unsigned char)text[i]);
  fprintf(stderr, "\n");
  abort();
}

#define FUZZ_CHECK(condition, text) \
  do {                              \
    if (!(condition)) fuzzFailed(__FILE__, __LINE__, #condition, (text)); \
  } while (0)

/// A heap block of exactly size bytes (none at all for 0).
class ExactBlock {
 public:
  explicit ExactBlock(size_t size) : size_(size), data_((char*)malloc(size)) {}
  ~ExactBlock() { free(data_); }
  ExactBlock(const ExactBlock&) = delete;
  ExactBlock& operator=(const ExactBlock&) = delete;
  char* data() { return data_; }
  size_t size() const { return size_; }

 private:
  size_t size_;
  char* data_;
};

/// text and its NUL in a block of exactly that size.
class ExactText : public ExactBlock {
 public:
  explicit ExactText(const std::string& text) : ExactBlock(text.size() + 1) {
    memcpy(data(), text.c_str(), text.size() + 1);
  }
};

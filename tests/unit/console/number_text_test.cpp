// Digit-grouped number text.
#include "console/number_text.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

TEST(GroupDigits, Table) {
  const struct {
    int64_t value;
    const char* text;
  } table[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {123456, "123,456"},
      {1234567, "1,234,567"},
      {-1, "-1"},
      {-999, "-999"},
      {-1234567, "-1,234,567"},
      {4194404, "4,194,404"},
      {INT64_MAX, "9,223,372,036,854,775,807"},
      {INT64_MIN, "-9,223,372,036,854,775,808"},
  };
  for (const auto& row : table) EXPECT_STREQ(groupDigits(row.value), row.text) << row.value;
}

TEST(GroupDigits, EachCallOverwritesTheLast) {
  const char* first = groupDigits(123456789);
  std::string kept = first;
  const char* second = groupDigits(5);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "5");
  EXPECT_EQ(kept, "123,456,789");
}

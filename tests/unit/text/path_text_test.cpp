// Bounded copies, case folding that respects double-byte characters, separators.
#include "text/path_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(PathText, CopyAndAppendNeverCut) {
  char small[6];
  EXPECT_TRUE(copyText(small, sizeof small, "abcde"));
  EXPECT_STREQ(small, "abcde");
  EXPECT_FALSE(copyText(small, sizeof small, "abcdef"));
  EXPECT_STREQ(small, "");
  EXPECT_TRUE(copyText(small, sizeof small, "ab"));
  EXPECT_FALSE(appendText(small, sizeof small, "cdef"));
  EXPECT_STREQ(small, "ab");
  EXPECT_TRUE(appendText(small, sizeof small, "cde"));
  EXPECT_STREQ(small, "abcde");
}

TEST(PathText, FoldsOnlyLettersOfTheirOwn) {
  EXPECT_TRUE(sameTextIgnoringCase("E:\\Data", "e:\\DATA"));
  EXPECT_FALSE(sameTextIgnoringCase("E:\\Data", "E:\\Dat"));
  // 0x83 0x41 and 0x83 0x61 are two different characters.
  EXPECT_FALSE(sameTextIgnoringCase("X:\\\x83\x41", "X:\\\x83\x61"));
  EXPECT_EQ(leadingMatch("E:\\Data", "e:\\data\\copy"), 7);
  EXPECT_EQ(leadingMatch("X:\\\x83\x41", "X:\\\x83\x61\\sub"), 4);
  EXPECT_EQ(leadingMatch("E:\\PICTURE", "E:\\PICTURE2"), 10);
}

TEST(PathText, SeparatorRule) {
  PathBuffer folder;
  copyText(folder, sizeof folder, "E:\\");
  appendSeparator(folder, sizeof folder);
  EXPECT_STREQ(folder, "E:\\");
  copyText(folder, sizeof folder, "E:");
  appendSeparator(folder, sizeof folder);
  EXPECT_STREQ(folder, "E:\\");
  copyText(folder, sizeof folder, "E:\\\x95\x5c");
  appendSeparator(folder, sizeof folder);
  EXPECT_STREQ(folder, "E:\\\x95\x5c\\");
  std::string full(519, 'a');
  copyText(folder, sizeof folder, full.c_str());
  EXPECT_FALSE(appendSeparator(folder, sizeof folder));
  EXPECT_EQ(std::string(folder), full);
}

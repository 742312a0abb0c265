// The whole run's progress: its texts, and the time left as a run goes on.
#include "copy/run_progress.h"

#include <string>

#include "vestro_test.h"

TEST(RunProgress, TextsFitEightyColumns) {
  const struct {
    int64_t bytes;
    const char* text;
  } sizes[] = {{0, "0B"},          {999, "999B"},          {1000, "0.98KB"},       {1536, "1.50KB"},
               {1048575, "1.00MB"}, {123456789, "118MB"}, {1023LL << 30, "1.00TB"}, {100LL << 40, "100TB"}};
  char text[16];
  for (const auto& s : sizes) {
    readableBytes(s.bytes, text, sizeof text);
    EXPECT_STREQ(text, s.text) << s.bytes;
  }
  char row[520];
  char title[520];
  formatTotal(row, sizeof row, title, sizeof title, 99.99, 9999999, 10000000, (100LL << 40) - 1, 100LL << 40,
              99 * 3600 + 59 * 60 + 59);
  EXPECT_STREQ(row, "TOTAL 99.99 %  FILES 9,999,999/10,000,000  SIZE 100TB/100TB  LEFT 99:59:59");
  EXPECT_LE(std::string(row).size(), 79u);
  EXPECT_STREQ(title, "99.99 % - 99:59:59 LEFT - VESTRO");
  formatTotal(row, sizeof row, title, sizeof title, 4.5, 1, 20, 1536, 1 << 30, -1);
  EXPECT_STREQ(row, "TOTAL 4.50 %  FILES 1/20  SIZE 1.50KB/1.00GB");
  EXPECT_STREQ(title, "4.50 % - VESTRO");
}

// At a steady 1 MB a second and a tenth of a second a file, the time left
// is what the rest takes, known only after a few seconds.
TEST(RunProgress, TimeLeftFromTheRateAndTheCostOfAFile) {
  startFreshRun();
  fakeConsole.clockStep = 0;
  progressStart(200, 200 << 20);
  for (int file = 0; file < 100; ++file) {
    fakeConsole.clock += 1100;  // 1 s for its MiB, 0.1 s for the file itself
    progressFileDone(1 << 20, true);
    if (file == 1) EXPECT_EQ(fakeConsole.paintLog.back().text.find("LEFT"), std::string::npos);
  }
  flushScreen();
  std::string row = rowText(9, 2, 80);
  EXPECT_EQ(row.rfind("TOTAL 50.00 %  FILES 100/200  SIZE 100MB/200MB  LEFT 0:01:50", 0), 0u) << "[" << row << "]";
  // Files made since the count: the totals grow with them, and neither the
  // row nor the title goes out for each.
  for (int file = 100; file < 200; ++file) progressFileDone(1 << 20, true);
  EXPECT_EQ(fakeConsole.titles.back(), "100.00 % - 0:00:00 LEFT - VESTRO");
  size_t titles = fakeConsole.titles.size();
  for (int file = 0; file < 100; ++file) progressFileDone(1, true);
  EXPECT_EQ(fakeConsole.titles.size(), titles);
  fakeConsole.clock += 1000;
  progressFileDone(1, true);
  flushScreen();
  EXPECT_EQ(rowText(9, 2, 31), "TOTAL 100.00 %  FILES 301/301  ");
  progressEnd();
  flushScreen();
  EXPECT_EQ(rowText(9, 1, 80), std::string(80, ' '));
  EXPECT_EQ(fakeConsole.title, "Command Prompt - vestro");
}

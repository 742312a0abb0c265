// The whole run's progress on row 9 and in the title.
#include "copy/run_progress.h"

#include <stdio.h>
#include <string.h>

#include "console/number_text.h"
#include "console/screen.h"
#include "platform/console_os.h"
#include "text/path_text.h"

namespace {

const uint32_t rowEvery = 20;       // milliseconds: the row's cells go out about ten times a second
const uint32_t titleEvery = 100;    // the title, a call of its own, as often
const uint32_t sampleEvery = 500;   // how often the rate is sampled
const uint32_t quietFor = 3000;     // no time left before this much of the run
const int recentSamples = 16;       // the recent rate: about the last eight seconds

struct Sample {
  uint32_t at;
  double written;
  double files;
};

// The time a run takes, fitted as seconds per byte written plus seconds per
// file: over every step so far for the cost of a file, over the recent
// steps for the rate of bytes.
struct Fit {
  double bb, bf, ff, bt, ft;
};

struct Progress {
  bool running;
  int64_t countedFiles;          // as the count found them
  int64_t totalFiles, totalBytes;
  int64_t doneFiles, doneBytes;  // files done, and their counted sizes
  int64_t fileBytes;             // of the file under way, written so far
  int64_t written;               // bytes written in all
  uint32_t startedAt, rowAt, titledAt;
  bool painted;
  int lastWidth;                 // cells plus one of row 9's text
  double shownShare;             // the share never goes down
  Sample samples[recentSamples];
  int sampleCount;
  Fit all;
  bool titleAsked, titleSaved, titleChanged;
  char savedTitle[pathBufferSize];
};

Progress progress;

void addStep(Fit* fit, const Sample& from, const Sample& to) {
  double db = to.written - from.written;
  double df = to.files - from.files;
  double dt = (double)(uint32_t)(to.at - from.at) / 1000.0;
  fit->bb += db * db;
  fit->bf += db * df;
  fit->ff += df * df;
  fit->bt += db * dt;
  fit->ft += df * dt;
}

// Seconds per file over the whole run; 0 where the files cannot be told
// from the bytes (the steps moved both alike).
double perFile(const Fit& fit) {
  double det = fit.bb * fit.ff - fit.bf * fit.bf;
  if (fit.ff <= 0 || det <= 1e-9 * fit.bb * fit.ff) return 0;
  double cost = (fit.ft * fit.bb - fit.bt * fit.bf) / det;
  return cost > 0 ? cost : 0;
}

int64_t secondsLeft(uint32_t now) {
  Progress& p = progress;
  if ((uint32_t)(now - p.startedAt) < quietFor || p.sampleCount < 2) return -1;
  double file = perFile(p.all);
  Fit recent = {0, 0, 0, 0, 0};
  int first = p.sampleCount > recentSamples ? p.sampleCount - recentSamples : 0;
  for (int i = first + 1; i < p.sampleCount; ++i)
    addStep(&recent, p.samples[(i - 1) % recentSamples], p.samples[i % recentSamples]);
  double perByte = recent.bb > 0 ? (recent.bt - file * recent.bf) / recent.bb : 0;
  if (perByte < 0) perByte = 0;
  double left = perByte * (double)(p.totalBytes - p.doneBytes - p.fileBytes) +
                file * (double)(p.totalFiles - p.doneFiles);
  if (perByte == 0 && file == 0) return -1;
  return left > 0 ? (int64_t)(left + 0.5) : 0;
}

void sample(uint32_t now) {
  Progress& p = progress;
  Sample next = {now, (double)(p.written + p.fileBytes), (double)p.doneFiles};
  if (p.sampleCount > 0) {
    const Sample& last = p.samples[(p.sampleCount - 1) % recentSamples];
    if ((uint32_t)(now - last.at) < sampleEvery) return;
    addStep(&p.all, last, next);
  }
  p.samples[p.sampleCount % recentSamples] = next;
  ++p.sampleCount;
}

// One write, blanks after the text where a longer one stood: the row never
// shows blank between two repaints.
void showRow(const char* text) {
  char padded[pathBufferSize];
  int cells = cellsOf(text);
  snprintf(padded, sizeof padded, "%s%*s", text, progress.lastWidth - 1 > cells ? progress.lastWidth - 1 - cells : 0,
           "");
  writeAt(9, 2, padded, 11);
  progress.lastWidth = cells + 1;
  progress.painted = true;
}

void showTitle(const char* title) {
  Progress& p = progress;
  if (!p.titleAsked) {
    p.titleAsked = true;
    p.titleSaved = osConsoleTitle(p.savedTitle, sizeof p.savedTitle);
  }
  if (osSetConsoleTitle(title)) p.titleChanged = true;
}

// The row's cells go out with the rest of the screen's, about ten times a
// second: laid out at every piece of a file written, it keeps step with row
// 7; after a file, only every few milliseconds, not for each of many small
// ones. now: the title as well.
void paint(bool rowNow, bool now) {
  Progress& p = progress;
  uint32_t clock = osMilliseconds();
  if (!rowNow && !now && p.painted && (uint32_t)(clock - p.rowAt) < rowEvery) return;
  p.rowAt = clock;
  sample(clock);
  // A file the count did not see may make the work grow past it.
  if (p.doneFiles > p.totalFiles) p.totalFiles = p.doneFiles;
  int64_t done = p.doneBytes + p.fileBytes;
  if (done > p.totalBytes) p.totalBytes = done;
  double share = p.totalBytes > 0   ? (double)done / (double)p.totalBytes * 100.0
                 : p.totalFiles > 0 ? (double)p.doneFiles / (double)p.totalFiles * 100.0
                                    : 100.0;
  if (share < p.shownShare) share = p.shownShare;
  p.shownShare = share;
  // Rounded to two decimals, no share below the whole reads 100.00 %.
  if (share > 99.99 && (done < p.totalBytes || p.doneFiles < p.totalFiles)) share = 99.99;
  char row[pathBufferSize];
  char title[pathBufferSize];
  formatTotal(row, sizeof row, title, sizeof title, share, p.doneFiles, p.totalFiles, done, p.totalBytes,
              secondsLeft(clock));
  showRow(row);
  if (!now && p.titleChanged && (uint32_t)(clock - p.titledAt) < titleEvery) return;
  p.titledAt = clock;
  showTitle(title);
}

void timeText(int64_t seconds, char* out, int size) {
  if (seconds > 99 * 3600 + 59 * 60 + 59) seconds = 99 * 3600 + 59 * 60 + 59;
  snprintf(out, size, "%d:%02d:%02d", (int)(seconds / 3600), (int)(seconds / 60 % 60), (int)(seconds % 60));
}

}  // namespace

void readableBytes(int64_t bytes, char* out, int size) {
  static const char* const units[] = {"B", "KB", "MB", "GB", "TB", "PB", "EB"};
  if (bytes < 1000) {
    snprintf(out, size, "%dB", (int)(bytes < 0 ? 0 : bytes));
    return;
  }
  double value = (double)bytes;
  int unit = 0;
  // A value that would show as 1000 or more takes the next unit.
  while (value >= 999.5 && unit < 6) {
    value /= 1024.0;
    ++unit;
  }
  const char* format = value < 9.995 ? "%.2f%s" : value < 99.95 ? "%.1f%s" : "%.0f%s";
  snprintf(out, size, format, value, units[unit]);
}

void formatTotal(char* row, int rowSize, char* title, int titleSize, double share, int64_t doneFiles,
                 int64_t totalFiles, int64_t doneBytes, int64_t totalBytes, int64_t secondsLeft) {
  char files[16];
  char total[16];
  char bytes[16];
  char allBytes[16];
  char left[16] = "";
  snprintf(files, sizeof files, "%s", groupDigits(doneFiles));
  snprintf(total, sizeof total, "%s", groupDigits(totalFiles));
  readableBytes(doneBytes, bytes, sizeof bytes);
  readableBytes(totalBytes, allBytes, sizeof allBytes);
  if (secondsLeft >= 0) timeText(secondsLeft, left, sizeof left);
  snprintf(row, rowSize, "TOTAL %.2f %%  FILES %s/%s  SIZE %s/%s%s%s", share, files, total, bytes, allBytes,
           left[0] ? "  LEFT " : "", left);
  if (left[0]) snprintf(title, titleSize, "%.2f %% - %s LEFT - VESTRO", share, left);
  else snprintf(title, titleSize, "%.2f %% - VESTRO", share);
}

void progressCounting(int64_t files, int64_t bytes) {
  Progress& p = progress;
  uint32_t clock = osMilliseconds();
  if (p.painted && (uint32_t)(clock - p.rowAt) < rowEvery) return;
  p.rowAt = clock;
  char size[16];
  char row[80];
  readableBytes(bytes, size, sizeof size);
  snprintf(row, sizeof row, "COUNTING...  FILES %s  SIZE %s", groupDigits(files), size);
  showRow(row);
}

void progressStart(int64_t files, int64_t bytes) {
  Progress& p = progress;
  p.running = true;
  p.countedFiles = files;
  p.totalFiles = files;
  p.totalBytes = bytes;
  p.doneFiles = p.doneBytes = p.fileBytes = p.written = 0;
  p.startedAt = osMilliseconds();
  p.sampleCount = 0;
  p.all = Fit{0, 0, 0, 0, 0};
  p.shownShare = 0;
  paint(true, true);
}

void progressWithinFile(int64_t done, int64_t total) {
  Progress& p = progress;
  if (!p.running) {
    // One file alone (file mode): its share is the title's.
    char title[64];
    double share = total > 0 ? (double)done / (double)total * 100.0 : 100.0;
    snprintf(title, sizeof title, "%.2f %% - VESTRO", share > 100.0 ? 100.0 : share);
    uint32_t clock = osMilliseconds();
    if (p.titleChanged && done < total && (uint32_t)(clock - p.titledAt) < titleEvery) return;
    p.titledAt = clock;
    showTitle(title);
    return;
  }
  p.fileBytes = done;
  paint(true, false);
}

void progressFileDone(int64_t size, bool written) {
  Progress& p = progress;
  if (!p.running) return;
  p.fileBytes = 0;
  ++p.doneFiles;
  p.doneBytes += size;
  if (written) p.written += size;
  // The last file counted shows its 100.00 % at once. Files the count did
  // not see (made since) are painted as often as any: a title for each of
  // them would cost more than their copies.
  bool last = p.doneFiles == p.countedFiles;
  paint(last, last);
}

void progressEnd() {
  Progress& p = progress;
  if (p.painted) blankAt(9, 2, p.lastWidth);
  if (p.titleChanged && p.titleSaved) osSetConsoleTitle(p.savedTitle);
  forgetProgress();
}

void forgetProgress() { memset(&progress, 0, sizeof progress); }

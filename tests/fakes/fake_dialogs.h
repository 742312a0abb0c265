// Scripted shell pickers: each dialog call takes the next answer in turn.
#pragma once
#include <string>
#include <vector>

#include "platform/dialogs_os.h"

enum PickerAnswerKind { pickPath, pickCancel, pickFailure };

struct PickerAnswer {
  PickerAnswerKind kind;
  std::string path;  // for pickPath
};

struct PickerCall {
  bool folder;        // folder picker, or the file dialog
  std::string title;
  int size;           // result room the caller gave (260 assumed for folders)
};

struct FakeDialogs {
  std::vector<PickerAnswer> answers;
  size_t answerAt;
  int callsPastScript;          // calls after the script ran out (answered as cancel)
  std::vector<PickerCall> calls;
};

extern FakeDialogs fakeDialogs;

void resetFakeDialogs();

/// Queues the next answer: a chosen path, a cancel, or a dialog that fails
/// after scribbling into the result (as a real one may).
void answerPath(const std::string& path);
void answerCancel();
void answerFailure();

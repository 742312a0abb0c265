// Scripted shell pickers.
#include "fake_dialogs.h"

#include <string.h>

FakeDialogs fakeDialogs;

void resetFakeDialogs() {
  fakeDialogs.answers.clear();
  fakeDialogs.answerAt = 0;
  fakeDialogs.callsPastScript = 0;
  fakeDialogs.calls.clear();
}

void answerPath(const std::string& path) { fakeDialogs.answers.push_back(PickerAnswer{pickPath, path}); }
void answerCancel() { fakeDialogs.answers.push_back(PickerAnswer{pickCancel, ""}); }
void answerFailure() { fakeDialogs.answers.push_back(PickerAnswer{pickFailure, ""}); }

static bool answer(bool folder, const char* title, char* result, int size) {
  fakeDialogs.calls.push_back(PickerCall{folder, title, size});
  if (fakeDialogs.answerAt >= fakeDialogs.answers.size()) {
    ++fakeDialogs.callsPastScript;
    return false;
  }
  const PickerAnswer& a = fakeDialogs.answers[fakeDialogs.answerAt++];
  if (a.kind == pickCancel) return false;
  if (a.kind == pickFailure) {
    strncpy(result, "Z:\\half-written", size - 1);
    result[size - 1] = 0;
    return false;
  }
  // Like the real dialogs: a path that does not fit the result is a failure.
  if ((int)a.path.size() >= size) return false;
  memcpy(result, a.path.c_str(), a.path.size() + 1);
  return true;
}

bool osPickFile(const char* title, char* result, int size) { return answer(false, title, result, size); }

// The shell writes the folder's path into a buffer it takes to be 260 bytes.
bool osPickFolder(const char* title, char* result) { return answer(true, title, result, 260); }

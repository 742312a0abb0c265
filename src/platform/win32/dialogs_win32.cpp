// The shell's pickers: the common file-open dialog and the folder browser.
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/dialogs_os.h"
#include "platform/win32/late_link.h"

static_assert(sizeof(void*) != 8 || sizeof(OPENFILENAMEA) == 152, "the full OPENFILENAMEA, not the old short one");

bool osPickFile(const char* title, char* result, int size) {
  OPENFILENAMEA dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = sizeof(OPENFILENAMEA);
  dialog.lpstrFilter = "All Files\0*.*\0\0";
  dialog.lpstrFile = result;
  dialog.nMaxFile = size;
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
  // The dialog reads lpstrFile as its initial file name.
  if (size > 0) result[0] = 0;
  decltype(&GetOpenFileNameA) open = (decltype(&GetOpenFileNameA))lateProc("comdlg32.dll", "GetOpenFileNameA");
  return open != NULL && open(&dialog) != 0;
}

bool osPickFolder(const char* title, char* result) {
  decltype(&CoInitialize) comStart = (decltype(&CoInitialize))lateProc("ole32.dll", "CoInitialize");
  decltype(&CoUninitialize) comEnd = (decltype(&CoUninitialize))lateProc("ole32.dll", "CoUninitialize");
  decltype(&CoTaskMemFree) comFree = (decltype(&CoTaskMemFree))lateProc("ole32.dll", "CoTaskMemFree");
  decltype(&SHBrowseForFolderA) browseFor =
      (decltype(&SHBrowseForFolderA))lateProc("shell32.dll", "SHBrowseForFolderA");
  decltype(&SHGetPathFromIDListA) pathOf =
      (decltype(&SHGetPathFromIDListA))lateProc("shell32.dll", "SHGetPathFromIDListA");
  if (!comStart || !comEnd || !comFree || !browseFor || !pathOf) return false;

  // The new dialog style needs COM on this thread.
  HRESULT com = comStart(NULL);
  BROWSEINFOA browse;
  ZeroMemory(&browse, sizeof browse);
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bool picked = false;
  LPITEMIDLIST item = browseFor(&browse);
  if (item != NULL) {
    picked = pathOf(item, result) != 0;
    comFree(item);
  }
  if (SUCCEEDED(com)) comEnd();
  return picked;
}

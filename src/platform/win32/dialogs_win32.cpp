// The shell's pickers: the common file-open dialog and the folder browser.
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/dialogs_os.h"

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
  return GetOpenFileNameA(&dialog) != 0;
}

bool osPickFolder(const char* title, char* result) {
  // The new dialog style needs COM on this thread.
  HRESULT com = CoInitialize(NULL);
  BROWSEINFOA browse;
  ZeroMemory(&browse, sizeof browse);
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bool picked = false;
  LPITEMIDLIST item = SHBrowseForFolderA(&browse);
  if (item != NULL) {
    picked = SHGetPathFromIDListA(item, result) != 0;
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return picked;
}

// Start menu and source/destination pickers.
#include "app/start_menu.h"

#include "console/line_editor.h"
#include "console/screen.h"
#include "platform/console_os.h"
#include "platform/dialogs_os.h"
#include "text/path_text.h"

namespace {

const int pickerResultSize = 260;
char pickedFile[pickerResultSize];
char pickedFolder[pickerResultSize];

const char* const menuLines[] = {
    "Usage  : VESTRO (FROM_FOLDER or FILE) TO_FOLDER \n\n",
    "Ex.      VESTRO  C:\\PICTURE  X:\\PICTURE \n",
    "         VESTRO  C:\\PICTURE\\SASMPLE.jpg  X:\\PICTURE \n\n",
    "SELECT INPUT FOLDER? (D)\n",
    "SELECR INPUT FILE?   (F)\n",
    "END(Enter)\n",
    "->\n",
};

}  // namespace

const char* pickInputFile() {
  return osPickFile("SELECT INPUT FILE", pickedFile, pickerResultSize) ? pickedFile : nullptr;
}

const char* pickFolder(const char* title) { return osPickFolder(title, pickedFolder) ? pickedFolder : nullptr; }

bool runStartMenu(char* from, char* to) {
  // A key may come while the menu is painted.
  osTakeKeys();
  clearScreen();
  for (const char* line : menuLines) printText(line);
  char key[2];
  editLine(9, 3, key, 1);
  const char* source = nullptr;
  if (key[0] == 'D' || key[0] == 'd')
    source = pickFolder("SELECT INPUT FOLDER");
  else if (key[0] == 'F' || key[0] == 'f')
    source = pickInputFile();
  if (!source) return false;
  // Both folder picks share one result: FROM is taken before the second.
  copyText(from, pathBufferSize, source);
  const char* target = pickFolder("SELECT OUTPUT FOLDER");
  if (!target) return false;
  copyText(to, pathBufferSize, target);
  return true;
}

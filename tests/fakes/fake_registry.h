// In-memory "Environment" key of the current user, and the program's file path.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "fake_files.h"
#include "platform/registry_os.h"

struct FakeRegistry {
  std::string programPath;    // what the module path call reports
  bool hasPath = false;       // whether the value "Path" exists
  RegistryType type = regNone;
  std::string data;           // its bytes, NULs included
  FakeFault programPathFault, openRead, openWrite, query, set;
  int opens = 0;              // keys opened (successfully)
  int openKeys = 0;           // keys opened and not yet closed
  int strayCloses = 0;        // closes of a key that was not open
  std::vector<std::string> stored;  // the text of every successful store
};

extern FakeRegistry fakeRegistry;

/// No "Path" value, no faults, the program at D:\Tools\vestro.exe.
void resetFakeRegistry();
/// "Path" as text of this type, stored with its NUL.
void setPathText(const std::string& text, RegistryType type = regExpandText);
/// "Path" as these exact bytes of this type.
void setPathData(const std::string& bytes, RegistryType type);
void setPathNumber(int32_t number);

// The ANSI code page the fake system reports, and a switch for tests.
#pragma once
#include "platform/code_page_os.h"

/// What osAnsiCodePage reports: 932 (the default), 936, 949, 950, 1252 or 65001.
extern unsigned fakeCodePage;

/// The facts of one of those code pages, as the system gives them.
CodePageFacts fakeCodePageFacts(unsigned number);

/// Reports number from now on and puts the text primitives on it, as the
/// program's start does.
void useFakeCodePage(unsigned number);

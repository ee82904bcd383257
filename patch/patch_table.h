// The patch table: the game's flag address for each game version, downloaded
// at every start and kept only in the main window's version list.
#pragma once
#include <windows.h>

// The body of the patch loader thread, started once by the main window.
DWORD WINAPI LoadPatchTable(void* unused);

// The version picked in the list becomes StateAddress (UI thread).
void ApplyPatchSelection();

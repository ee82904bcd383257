// The patch table: the game's flag address for each game version, downloaded
// at every start and kept only in the main window's version list.
#pragma once
#include <windows.h>

// The body of the patch loader thread.
DWORD WINAPI LoadPatchTable(void* unused);

// Starts the patch loader unless it has run already in this run of the
// program (UI thread): when the main window is created with the patch table
// chosen, or when Options chooses it later.
void StartPatchLoaderOnce();

// The version picked in the list becomes StateAddress (UI thread).
void ApplyPatchSelection();

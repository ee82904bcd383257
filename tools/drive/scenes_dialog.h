// The program's "Scenes" dialog, driven from outside: opened through the
// main window's system menu command (also while the worker runs) and read
// and changed by messages to its fields.
#pragma once
#include <windows.h>

#include "drive/program.h"

constexpr wchar_t kScenesCaption[] = L"Scenes";
constexpr WPARAM kScenesCommand = 0x0020;
// Its fields: the five situations' scenes and the user's names.
constexpr int kScenesLoading = 1025, kScenesReplay = 1026, kScenesObserving = 1027, kScenesVictory = 1028,
              kScenesDefeat = 1029, kScenesNames = 1030;
// Beside each scene field, in the same order: its list's button and its mark.
constexpr int kScenesFirstListButton = 1080, kScenesFirstMark = 1085;

// Posts the system menu command and waits for the dialog; null when it did
// not show within the time.
HWND OpenScenes(KestrelcueProgram& program, DWORD timeoutMs = 15000);

// Presses OK or Cancel as a click does; the dialog is gone a moment later.
void PressScenesButton(HWND dialog, int id);

// The user's settings, kept under HKEY_CURRENT_USER: read once when the main
// window is created and written once when it is destroyed.
#pragma once
#include <windows.h>

#include "record/record_format.h"

void LoadSettings(HWND mainDialog);
void SaveSettings();

// The record's numbers, written at once whenever they change (any thread):
// a crash must not lose a game counted.
void StoreRecordCountsNow(const RecordCounts& counts);

// UI thread: the overlay's port the user set, held and written at once,
// as the Record dialog's OK has always done.
void StoreOverlayPortNow(DWORD port);

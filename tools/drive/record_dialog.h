// The program's "Record" dialog, driven from outside: opened through the
// main window's system menu command (also while the worker runs), its
// fields read and changed by messages.
#pragma once
#include <windows.h>

#include <string>

#include "drive/program.h"

constexpr wchar_t kRecordCaption[] = L"Record";
constexpr WPARAM kRecordCommand = 0x0030;
constexpr int kRecordFileField = 1040, kRecordBrowse = 1041, kRecordFormatField = 1042, kRecordSourceField = 1043,
              kRecordPreview = 1044, kRecordWins = 1045, kRecordLosses = 1046, kRecordTies = 1047,
              kRecordTerranWins = 1048, kRecordTerranLosses = 1049, kRecordZergWins = 1050,
              kRecordZergLosses = 1051, kRecordProtossWins = 1052, kRecordProtossLosses = 1053,
              kRecordRandomWins = 1054, kRecordRandomLosses = 1055, kRecordReset = 1056,
              kRecordOverlayPort = 1057, kRecordOverlayAddress = 1058, kRecordOverlayCopy = 1059,
              kRecordWebhookUrl = 1060;

HWND OpenRecord(KestrelcueProgram& program, DWORD timeoutMs = 15000);
// Presses a button (OK, Cancel, Reset) as a click does.
void PressRecordButton(HWND dialog, int id);

// A text file's bytes, "" when it cannot be read; *found says whether it was there.
std::string ReadWholeFile(const std::wstring& path, bool* found = nullptr);

// The text of one item of the patch version list.
#pragma once
#include <windows.h>

// 127 UTF-16 units and the terminator.
constexpr int kVersionLabelChars = 128;

// Converts a Version attribute from UTF-8. A version that does not fit is
// cut after the last whole character that does, so a surrogate pair is
// never split; the label is always terminated.
void ConvertVersionLabel(const char* version, wchar_t (&label)[kVersionLabelChars]);

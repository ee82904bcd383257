// The record file: a text file that any broadcaster's text source reads,
// written whole every time (beside it, then put in its place in one step),
// so a reader never finds it empty, half written or locked.
#pragma once
#include <windows.h>

#include <cstddef>

// 0, or the Windows error that kept `path` from holding exactly `bytes`
// (UTF-8, no byte-order mark). A device's name (CON, NUL, COM1, \\.\...) is
// refused as ERROR_INVALID_NAME: it would swallow the text and say nothing.
DWORD WriteRecordFile(const wchar_t* path, const char* bytes, size_t size);

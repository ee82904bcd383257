// A dialog field's text read into a buffer of fixed size: at most
// `readChars` - 1 characters, always terminated, whatever the field holds.
#pragma once
#include <windows.h>

template <int N>
void ReadFieldText(HWND dialog, int id, wchar_t (&text)[N], int readChars)
{
    static_assert(N > 0, "room for the terminator at least");
    if (readChars > N)
        readChars = N;
    text[0] = L'\0';
    GetDlgItemTextW(dialog, id, text, readChars);
    text[readChars - 1] = L'\0';
}

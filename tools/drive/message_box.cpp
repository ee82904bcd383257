#include "drive/message_box.h"

#include "drive/child_process.h"

HWND FindMessageBox(DWORD processId, const wchar_t* caption)
{
    return FindProcessWindow(processId, L"#32770", caption);
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[1024] = {};
    SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    text[1023] = L'\0';
    return text;
}

void DismissMessageBox(HWND box)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

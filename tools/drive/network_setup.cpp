#include "drive/network_setup.h"

#include <vector>

namespace {

// Longer than any host or scene name the tests type.
constexpr int kWindowTextChars = 2048;

} // namespace

HWND OpenNetworkSetup(KestrelcueProgram& program, DWORD timeoutMs)
{
    return program.OpenDialog(WM_COMMAND, MAKEWPARAM(1014, BN_CLICKED), reinterpret_cast<LPARAM>(program.Control(1014)),
                              kNetworkSetupCaption, timeoutMs);
}

bool WaitForDialogGone(HWND dialog, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

int CheckedRoleButton(HWND dialog)
{
    const bool gameSide = SendMessageW(GetDlgItem(dialog, 1001), BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool xsplitSide = SendMessageW(GetDlgItem(dialog, 1002), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (gameSide && xsplitSide)
        return -1;  // never right: the two are one choice
    return gameSide ? 1001 : xsplitSide ? 1002 : 0;
}

std::wstring WindowText(HWND window)
{
    std::vector<wchar_t> text(kWindowTextChars, L'\0');
    SendMessageW(window, WM_GETTEXT, kWindowTextChars, reinterpret_cast<LPARAM>(text.data()));
    text[kWindowTextChars - 1] = L'\0';
    return text.data();
}

void SetWindowTextAcross(HWND window, const std::wstring& text)
{
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ClickSetupOk(HWND dialog)
{
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

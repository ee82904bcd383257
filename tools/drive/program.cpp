#include "drive/program.h"

void DeleteSettings()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

bool KestrelcueProgram::Launch(const std::vector<std::wstring>& args)
{
    window_ = nullptr;
    if (!process_.Start(BinaryPath(L"Kestrelcue.exe"), args))
        return false;
    WaitUntil([&] {
        window_ = process_.FindWindowOfClass(L"#32770", kMainCaption);
        return window_ != nullptr || !process_.IsRunning();
    });
    return window_ != nullptr;
}

std::wstring KestrelcueProgram::Text(int id) const
{
    wchar_t text[2048] = {};
    SendMessageW(Control(id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    text[2047] = L'\0';
    return text;
}

void KestrelcueProgram::SetText(int id, const std::wstring& text) const
{
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool KestrelcueProgram::IsChecked(int id) const
{
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void KestrelcueProgram::Click(int id) const
{
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void KestrelcueProgram::SetChecked(int id, bool checked) const
{
    if (IsChecked(id) != checked)
        SendMessageW(Control(id), BM_CLICK, 0, 0);
}

bool KestrelcueProgram::WaitForStatus(const std::wstring& expected, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Status() == expected; }, timeoutMs);
}

bool KestrelcueProgram::WaitForStatusSeen(const std::wstring& expected, std::vector<std::wstring>* seen,
                                          DWORD timeoutMs) const
{
    return WaitUntil([&] {
        std::wstring now = Status();
        if (seen->empty() || seen->back() != now)
            seen->push_back(now);
        return now == expected;
    }, timeoutMs);
}

bool KestrelcueProgram::Close(DWORD timeoutMs)
{
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(timeoutMs);
}

#include "drive/record_dialog.h"

namespace {
// More than any record file a test writes.
constexpr DWORD kFileLimitBytes = 65536;
}

HWND OpenRecord(KestrelcueProgram& program, DWORD timeoutMs)
{
    return program.OpenDialog(WM_SYSCOMMAND, kRecordCommand, 0, kRecordCaption, timeoutMs);
}

void PressRecordButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ReadWholeFile(const std::wstring& path, bool* found)
{
    // Shared every way, as a text source reads it: the writer must cope.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (found != nullptr)
        *found = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes(kFileLimitBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], kFileLimitBytes, &got, nullptr))
        got = 0;
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

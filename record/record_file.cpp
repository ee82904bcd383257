#include "record/record_file.h"

#include <cwchar>

namespace {

// The file beside it that becomes it.
constexpr wchar_t kNewSuffix[] = L".kestrelcue-new";
constexpr size_t kPathLimitChars = MAX_PATH;
// A reader (a text source reading the file on its own timer) may hold the
// file open for a moment: the replacement is tried again meanwhile.
constexpr int kReplaceTries = 10;
constexpr DWORD kReplacePauseMs = 20;

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension,
// name devices in every folder; so does every path under \\.\ or \\?\.
bool NamesADevice(const wchar_t* path)
{
    if (std::wcsncmp(path, L"\\\\.\\", 4) == 0 || std::wcsncmp(path, L"\\\\?\\", 4) == 0)
        return true;
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c != L'\0'; ++c) {
        if (IsSeparator(*c) || *c == L':')
            name = c + 1;
    }
    size_t base = 0;
    while (name[base] != L'\0' && name[base] != L'.' && name[base] != L' ')
        ++base;
    const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices) {
        if (base == 3 && _wcsnicmp(name, device, 3) == 0)
            return true;
    }
    return base == 4 && (_wcsnicmp(name, L"COM", 3) == 0 || _wcsnicmp(name, L"LPT", 3) == 0) && name[3] >= L'1' &&
           name[3] <= L'9';
}

DWORD WriteWhole(const wchar_t* path, const char* bytes, size_t size)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, bytes, DWORD(size), &written, nullptr))
        error = GetLastError();
    else if (written != size)
        error = ERROR_DISK_FULL;
    CloseHandle(file);
    return error;
}

DWORD PutInPlace(const wchar_t* from, const wchar_t* to)
{
    DWORD error = ERROR_SUCCESS;
    for (int tries = 0; tries < kReplaceTries; ++tries) {
        if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING))
            return ERROR_SUCCESS;
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            break;
        Sleep(kReplacePauseMs);
    }
    return error;
}

} // namespace

DWORD WriteRecordFile(const wchar_t* path, const char* bytes, size_t size)
{
    const size_t length = wcsnlen(path, kPathLimitChars);
    if (length == 0 || NamesADevice(path) || IsSeparator(path[length - 1]))
        return ERROR_INVALID_NAME;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ERROR_DIRECTORY;
    constexpr size_t kSuffixChars = sizeof kNewSuffix / sizeof kNewSuffix[0] - 1;
    if (length + kSuffixChars >= kPathLimitChars)
        return ERROR_FILENAME_EXCED_RANGE;
    wchar_t newPath[kPathLimitChars];
    std::wmemcpy(newPath, path, length);
    std::wmemcpy(newPath + length, kNewSuffix, kSuffixChars + 1);
    DWORD error = WriteWhole(newPath, bytes, size);
    if (error == ERROR_SUCCESS)
        error = PutInPlace(newPath, path);
    if (error != ERROR_SUCCESS)
        DeleteFileW(newPath);
    return error;
}

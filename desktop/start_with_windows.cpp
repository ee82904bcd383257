#include "desktop/start_with_windows.h"

#include <cwchar>

#include "app/app_state.h"
#include "desktop/tray_icon.h"
#include "app/command_line.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Kestrelcue";
constexpr wchar_t kAutostartSwitch[] = L" /autostart";

// A long path (the \\?\ form's limit) and the terminator; the Run value
// holds one, two quotes and the switch.
constexpr DWORD kExePathChars = 32768;
constexpr DWORD kRunCommandChars = kExePathChars + 16;

// False when the path does not fit.
bool GetExePath(wchar_t (&path)[kExePathChars])
{
    const DWORD length = GetModuleFileNameW(nullptr, path, kExePathChars);
    path[kExePathChars - 1] = L'\0';
    return length > 0 && length < kExePathChars;
}

// The program's path from a command as Windows reads it: inside the quotes
// when it opens with one, else up to the first blank.
void TakeProgramPath(const wchar_t* command, wchar_t (&path)[kExePathChars])
{
    while (*command == L' ' || *command == L'\t')
        ++command;
    const wchar_t end = *command == L'"' ? L'"' : L' ';
    if (*command == L'"')
        ++command;
    DWORD length = 0;
    while (command[length] != L'\0' && command[length] != end && length < kExePathChars - 1) {
        path[length] = command[length];
        ++length;
    }
    path[length] = L'\0';
}

} // namespace

bool IsStartWithWindowsSet()
{
    static wchar_t command[kRunCommandChars];  // UI thread only; too large for the stack
    DWORD size = sizeof command - sizeof(wchar_t);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    const LONG result = RegQueryValueExW(key, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    command[size / sizeof(wchar_t)] = L'\0';  // the registry may store it without one
    static wchar_t named[kExePathChars];
    static wchar_t own[kExePathChars];
    TakeProgramPath(command, named);
    if (!GetExePath(own))
        return false;
    return CompareStringOrdinal(named, -1, own, -1, TRUE) == CSTR_EQUAL;
}

bool SetStartWithWindows(bool start)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool done = false;
    if (!start) {
        const LONG result = RegDeleteValueW(key, kRunValue);
        done = result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    } else {
        static wchar_t own[kExePathChars];
        if (GetExePath(own)) {
            static wchar_t command[kRunCommandChars];
            // GetExePath leaves room: the path is shorter than kExePathChars.
            const size_t pathLength = std::wcslen(own);
            const size_t switchLength = sizeof kAutostartSwitch / sizeof kAutostartSwitch[0] - 1;
            size_t length = 0;
            command[length++] = L'"';
            std::wmemcpy(command + length, own, pathLength);
            length += pathLength;
            command[length++] = L'"';
            std::wmemcpy(command + length, kAutostartSwitch, switchLength);
            length += switchLength;
            command[length] = L'\0';
            // The terminator is stored too.
            done = RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                  DWORD(length + 1) * sizeof(wchar_t)) == ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    return done;
}

bool StartsHiddenInTray(const wchar_t* arguments)
{
    return arguments != nullptr && IsAutostartRequested(arguments) && g_app.MinimizeToTray == 1 &&
           IsTrayIconAdded();
}

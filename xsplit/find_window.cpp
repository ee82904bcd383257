// Finding XSplit: the first process whose executable is xsplit.core.exe,
// then that process's visible top-level window of a Windows Forms class.
#include "xsplit/xsplit.h"

#include <psapi.h>
#include "app/app_state.h"
#include <cwchar>

namespace {

constexpr DWORD kMaxProcessIds = 1024;
constexpr DWORD kModuleNameChars = MAX_PATH;  // 260 with the terminator
constexpr int kWindowClassChars = 127;
constexpr wchar_t kXSplitModuleName[] = L"xsplit.core.exe";
constexpr wchar_t kXSplitClassPrefix[] = L"WindowsForms";
constexpr size_t kXSplitClassPrefixChars = sizeof kXSplitClassPrefix / sizeof(wchar_t) - 1;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK TestXSplitWindow(HWND window, LPARAM context)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    if (GetWindowThreadProcessId(window, &owner) == 0 || owner != search->processId)
        return TRUE;
    if ((GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) == 0)
        return TRUE;
    wchar_t className[kWindowClassChars] = {};
    GetClassNameW(window, className, kWindowClassChars);
    if (std::wcsncmp(className, kXSplitClassPrefix, kXSplitClassPrefixChars) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

void LowerCaseAscii(wchar_t* text)
{
    for (; *text != L'\0'; ++text)
        if (*text >= L'A' && *text <= L'Z')
            *text = wchar_t(*text - L'A' + L'a');
}

// The base name of the process's executable, lower-cased; "<unknown>" when
// it cannot be read. False when the process cannot be opened at all.
bool ReadProcessName(DWORD processId, wchar_t (&name)[kModuleNameChars])
{
    // cppcheck-suppress lstrcpynWCalled ; a literal into a buffer of its declared bound
    lstrcpynW(name, L"<unknown>", kModuleNameChars);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return false;
    HMODULE firstModule = nullptr;
    DWORD bytesNeeded = 0;
    if (EnumProcessModules(process, &firstModule, sizeof firstModule, &bytesNeeded) &&
        GetModuleBaseNameW(process, firstModule, name, kModuleNameChars) == 0)
        // cppcheck-suppress lstrcpynWCalled ; a literal into a buffer of its declared bound
        lstrcpynW(name, L"<unknown>", kModuleNameChars);
    name[kModuleNameChars - 1] = L'\0';
    CloseHandle(process);
    LowerCaseAscii(name);
    return true;
}

} // namespace

HWND FindXSplitWindow()
{
    DWORD ids[kMaxProcessIds];
    DWORD bytesFilled = 0;
    if (!EnumProcesses(ids, sizeof ids, &bytesFilled))
        return nullptr;
    const DWORD count = bytesFilled / sizeof ids[0];
    for (DWORD i = 0; i < count; ++i) {
        // Opening hundreds of processes takes seconds on a busy machine; a
        // Stop clicked meanwhile must not wait for the whole walk.
        if (WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0)
            return nullptr;
        if (ids[i] == 0)
            continue;
        wchar_t name[kModuleNameChars];
        if (!ReadProcessName(ids[i], name))
            continue;
        if (std::wcscmp(name, kXSplitModuleName) != 0)
            continue;
        // Only the first process of that name is looked at, window or not.
        WindowSearch search = {ids[i], nullptr};
        EnumWindows(TestXSplitWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    return nullptr;
}

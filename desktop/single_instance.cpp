// The instance is a named section in the session's namespace rather than a
// window to look for: the running one is found by name, however busy it is
// and whether or not its window shows, and the name goes with its process.
// The section holds the main window's handle, which a later start reads
// and posts to; it never waits on the running instance's thread.
#include "desktop/single_instance.h"

#include <cwchar>

namespace {

constexpr wchar_t kInstancePrefix[] = L"Local\\Ondelvane.Kestrelcue.Instance";
// The prefix, '.', a name and the terminator.
constexpr int kSectionNameChars = 96;
static_assert(sizeof kInstancePrefix / sizeof kInstancePrefix[0] + 1 + kInstanceNameChars <= kSectionNameChars,
              "the section's name fits");

// The running instance publishes its window within moments of claiming the
// name; a later start waits for it that long at most.
constexpr DWORD kWindowWaitMs = 5000;
constexpr DWORD kWindowPollMs = 50;

struct InstanceRecord {
    volatile LONG64 window;  // the main window's handle, 0 until it exists
};

HANDLE g_section;           // this process's claim, held until it ends
InstanceRecord* g_record;   // its view

void NameSection(wchar_t (&section)[kSectionNameChars], const wchar_t* name)
{
    if (name[0] == L'\0')
        std::swprintf(section, kSectionNameChars, L"%ls", kInstancePrefix);
    else
        std::swprintf(section, kSectionNameChars, L"%ls.%ls", kInstancePrefix, name);
    section[kSectionNameChars - 1] = L'\0';
}

// Brings the running instance's window forward. The post returns at once
// even when that instance is busy; the foreground right is passed on
// because a process started by the user may take the foreground, and the
// one asked to show itself then may too.
void ShowRunningInstance(const InstanceRecord* record)
{
    for (ULONGLONG waited = 0; waited <= kWindowWaitMs; waited += kWindowPollMs) {
        HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(InterlockedCompareExchange64(
            const_cast<volatile LONG64*>(&record->window), 0, 0)));
        if (window != nullptr && IsWindow(window)) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            AllowSetForegroundWindow(processId);
            PostMessageW(window, ShowInstanceMessage(), 0, 0);
            return;
        }
        Sleep(kWindowPollMs);
    }
}

} // namespace

bool ClaimInstance(const wchar_t* name)
{
    wchar_t section[kSectionNameChars];
    NameSection(section, name);
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceRecord),
                                        section);
    // Without a section there is no way to tell: better to run than not at all.
    if (mapping == nullptr)
        return true;
    const bool claimed = GetLastError() != ERROR_ALREADY_EXISTS;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(InstanceRecord));
    if (!claimed) {
        if (view != nullptr) {
            ShowRunningInstance(static_cast<const InstanceRecord*>(view));
            UnmapViewOfFile(view);
        }
        CloseHandle(mapping);
        return false;
    }
    g_section = mapping;
    g_record = static_cast<InstanceRecord*>(view);
    return true;
}

void PublishInstanceWindow(HWND window)
{
    if (g_record != nullptr)
        InterlockedExchange64(&g_record->window, static_cast<LONG64>(reinterpret_cast<LONG_PTR>(window)));
}

UINT ShowInstanceMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Ondelvane.Kestrelcue.ShowWindow");
    return message;
}

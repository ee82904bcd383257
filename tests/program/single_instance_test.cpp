// One Kestrelcue per logon session: a second start shows the first and
// ends, however the first is doing, and leaves the settings alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <map>

#include "drive/program.h"
#include "drive/stored_settings.h"

namespace {

// Each value's type and bytes, by name.
using Snapshot = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;

Snapshot SnapshotSettings()
{
    Snapshot snapshot;
    for (const std::wstring& name : StoredValueNames()) {
        StoredValue value;
        if (ReadStoredValue(name.c_str(), &value))
            snapshot[name] = {value.type, value.bytes};
    }
    return snapshot;
}

// Suspends or resumes every thread of a process: a first instance that
// answers nothing at all.
void SetProcessSuspended(DWORD processId, bool suspended)
{
    HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    ASSERT_NE(threads, INVALID_HANDLE_VALUE);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread == nullptr)
            continue;
        if (suspended)
            SuspendThread(thread);
        else
            ResumeThread(thread);
        CloseHandle(thread);
    }
    CloseHandle(threads);
}

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        // Settings of the first run, so that a second start that wrote any
        // would be seen changing them.
        ASSERT_TRUE(WriteStoredString(L"EnterGameScene", L"Game"));
        ASSERT_TRUE(first.Launch());
        window = first.Window();
        // Typed but not saved: only the first's close would store it.
        first.SetText(1004, L"Typed meanwhile");
        before = SnapshotSettings();
    }

    // A second start, as from the Start menu or Run; its exit code.
    DWORD StartSecond(const std::vector<std::wstring>& args)
    {
        ChildProcess second;
        EXPECT_TRUE(second.Start(BinaryPath(L"Kestrelcue.exe"), args));
        DWORD code = 0xFFFFFFFF;
        EXPECT_TRUE(second.WaitForExit(20000, &code)) << "the second start did not end";
        return code;
    }

    bool IsShown() const { return IsWindowVisible(window) && !IsIconic(window); }

    void ExpectFirstUntouched()
    {
        EXPECT_TRUE(first.Process().IsRunning());
        EXPECT_TRUE(SnapshotSettings() == before) << "a second start changed the stored settings";
        EXPECT_EQ(first.Text(1004), L"Typed meanwhile");
        EXPECT_EQ(first.Text(1011), L"Start") << "the first's worker was started by /autostart";
    }

    KestrelcueProgram first;
    HWND window = nullptr;
    Snapshot before;
};

TEST_F(SingleInstanceTest, ASecondStartShowsTheMinimisedFirstAndEndsWithZero)
{
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
    EXPECT_EQ(StartSecond({}), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsShown(); })) << "the first's window was not restored";
    ExpectFirstUntouched();
    // Only the first's window exists: no second main window ever showed.
    EXPECT_EQ(FindWindowW(L"#32770", kMainCaption), window);
}

TEST_F(SingleInstanceTest, AnAutostartShowsTheHiddenFirstAndStartsNothing)
{
    ShowWindow(window, SW_HIDE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    EXPECT_EQ(StartSecond({L"/autostart"}), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsShown(); })) << "the hidden first window was not shown";
    ExpectFirstUntouched();
}

TEST_F(SingleInstanceTest, AFirstThatAnswersNothingIsFoundAndShowsWhenItAnswersAgain)
{
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
    SetProcessSuspended(first.Process().Id(), true);
    const ULONGLONG started = GetTickCount64();
    const DWORD code = StartSecond({});
    const ULONGLONG took = GetTickCount64() - started;
    SetProcessSuspended(first.Process().Id(), false);
    std::printf("a second start beside a first that answers nothing ended after %llu ms\n", took);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsShown(); })) << "the first did not show once it answered again";
    ExpectFirstUntouched();
}

TEST_F(SingleInstanceTest, AnInstanceOfItsOwnNameRunsBeside)
{
    KestrelcueProgram beside;
    // The drive names the second program's instance: both run.
    ASSERT_TRUE(beside.Launch());
    EXPECT_NE(beside.Window(), window);
    EXPECT_TRUE(beside.Process().IsRunning());
    ASSERT_TRUE(beside.Close());
    // Once the first has ended, a plain start is the one instance again.
    ASSERT_TRUE(first.Close());
    KestrelcueProgram next;
    ASSERT_TRUE(next.Launch());
    EXPECT_TRUE(next.Close());
}

} // namespace

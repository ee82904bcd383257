// "Start with Windows" in Options: a sign-in task "Kestrelcue" of the Task
// Scheduler, registered with this exe's quoted path and "/autostart" on OK,
// deleted when the box is cleared, and shown checked only when it names
// this exe; the "Kestrelcue" Run value of an earlier version goes. The task
// is read back through the Task Scheduler's own interface. Started that way
// with "Minimize To Tray", the program begins hidden in the tray, watching.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>

#include "desktop/start_with_windows.h"
#include "drive/child_process.h"
#include "drive/network_setup.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/stand_in_tray.h"
#include "drive/stored_settings.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Kestrelcue";

bool HasRunValue()
{
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool WriteRunValue(const std::wstring& text)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, text.c_str(),
                           DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    return text;
}

std::wstring ExePath()
{
    return BinaryPath(L"Kestrelcue.exe");
}

struct ReleaseCom {
    void operator()(IUnknown* held) const { held->Release(); }
};
template <typename T>
using Held = std::unique_ptr<T, ReleaseCom>;

struct Bstr {
    explicit Bstr(const std::wstring& text) : value(SysAllocString(text.c_str())) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    std::wstring Text() const { return value != nullptr ? value : L""; }
    BSTR value = nullptr;
};

// The Task Scheduler's root folder, as another program sees it.
Held<ITaskFolder> OpenRoot()
{
    ITaskService* service = nullptr;
    ITaskFolder* root = nullptr;
    VARIANT none;
    VariantInit(&none);
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                   reinterpret_cast<void**>(&service))) &&
        SUCCEEDED(service->Connect(none, none, none, none)))
        service->GetFolder(Bstr(L"\\").value, &root);
    if (service != nullptr)
        service->Release();
    return Held<ITaskFolder>(root);
}

// The task's definition as the scheduler reads it back; null when absent.
Held<ITaskDefinition> ReadTask()
{
    Held<ITaskFolder> root = OpenRoot();
    IRegisteredTask* task = nullptr;
    ITaskDefinition* definition = nullptr;
    if (root != nullptr && SUCCEEDED(root->GetTask(Bstr(L"Kestrelcue").value, &task))) {
        task->get_Definition(&definition);
        task->Release();
    }
    return Held<ITaskDefinition>(definition);
}

void DeleteTask()
{
    if (Held<ITaskFolder> root = OpenRoot())
        root->DeleteTask(Bstr(L"Kestrelcue").value, 0);
}

class AutostartTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        DeleteSettings();
        DeleteTask();
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
    }
    void TearDown() override
    {
        DeleteSettings();
        DeleteTask();
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
        CoUninitialize();
    }

    // Opens Options and tells whether "Start with Windows" shows checked;
    // the dialog stays open in *dialog.
    bool ShownChecked(HWND* dialog)
    {
        *dialog = OpenOptions(program);
        EXPECT_NE(*dialog, nullptr);
        return *dialog != nullptr && IsOptionsBoxChecked(*dialog, kOptionsStartWithWindows);
    }

    void Press(HWND dialog, int button)
    {
        PressOptionsButton(dialog, button);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }

    KestrelcueProgram program;
};

// What is registered, part by part: the sign-in of this user, the highest
// run level for an administrator only, the quoted exe and its switch, no
// time limit, the battery no reason to stop or not to start.
TEST(SignInTask, TheDefinitionRegisteredHoldsEveryPart)
{
    static wchar_t xml[kSignInTaskXmlChars];
    ASSERT_TRUE(BuildSignInTaskXml(L"C:\\Games & Tools\\<K>\\Kestrelcue.exe", L"S-1-5-21-7-1001", true, xml));
    const std::wstring text = xml;
    for (const wchar_t* part :
         {L"<LogonTrigger><Enabled>true</Enabled><UserId>S-1-5-21-7-1001</UserId></LogonTrigger>",
          L"<UserId>S-1-5-21-7-1001</UserId><LogonType>InteractiveToken</LogonType><RunLevel>HighestAvailable</RunLevel>",
          L"<Command>\"C:\\Games &amp; Tools\\&lt;K&gt;\\Kestrelcue.exe\"</Command><Arguments>/autostart</Arguments>",
          L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>", L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
          L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"})
        EXPECT_NE(text.find(part), std::wstring::npos) << testing::PrintToString(std::wstring(part));
    ASSERT_TRUE(BuildSignInTaskXml(L"C:\\K.exe", L"S-1-5-21-7-1002", false, xml));
    EXPECT_NE(std::wstring(xml).find(L"<RunLevel>LeastPrivilege</RunLevel>"), std::wstring::npos);
}

// Wine's Task Scheduler keeps a task's settings but neither its action,
// its trigger nor its principal: those are pinned by the test above and the
// program's recognition of its own exe by the one below.
TEST(SignInTask, ACommandNamesThisExeWhateverItsCaseAndQuotes)
{
    const std::wstring exe = L"C:\\Games\\Kestrelcue.exe";
    const struct {
        const char* name;
        std::wstring command;
        bool ours;
    } cases[] = {
        {"quoted", L"\"" + exe + L"\"", true},      {"other letter case", L"\"" + Upper(exe) + L"\"", true},
        {"no quotes", exe, true},                    {"another copy", L"\"C:\\Other\\Kestrelcue.exe\"", false},
        {"a longer name", L"\"" + exe + L".old\"", false}, {"empty", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandNamesProgram(c.command.c_str(), exe.c_str()), c.ours) << c.name;
}

TEST_F(AutostartTest, TheBoxRegistersTheSignInTaskOnOkAndDeletesIt)
{
    ASSERT_TRUE(WriteRunValue(L"\"" + ExePath() + L"\" /autostart")) << "an earlier version's value";
    ASSERT_TRUE(program.Launch());
    HWND dialog = nullptr;
    EXPECT_FALSE(ShownChecked(&dialog)) << "the old Run value reads as the box checked";
    ASSERT_NE(dialog, nullptr);
    SetOptionsBox(dialog, kOptionsStartWithWindows, true);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDCANCEL));
    EXPECT_EQ(ReadTask(), nullptr) << "Cancel registered the task";

    EXPECT_FALSE(ShownChecked(&dialog));
    SetOptionsBox(dialog, kOptionsStartWithWindows, true);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));
    EXPECT_FALSE(HasRunValue()) << "the earlier version's Run value stayed";
    Held<ITaskDefinition> definition = ReadTask();
    ASSERT_NE(definition, nullptr) << "OK registered no task";
    ITaskSettings* settings = nullptr;
    ASSERT_TRUE(SUCCEEDED(definition->get_Settings(&settings)));
    Bstr limit;
    VARIANT_BOOL stops = VARIANT_TRUE, waits = VARIANT_TRUE;
    settings->get_ExecutionTimeLimit(&limit.value);
    settings->get_StopIfGoingOnBatteries(&stops);
    settings->get_DisallowStartIfOnBatteries(&waits);
    settings->Release();
    EXPECT_EQ(limit.Text(), L"PT0S");
    EXPECT_EQ(stops, VARIANT_FALSE);
    EXPECT_EQ(waits, VARIANT_FALSE);
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(StoredValueNames().size(), 9u) << "the task is no setting of the program's key";

    // Cleared, the task goes (called here: Wine cannot read back the action
    // that shows the box checked).
    ASSERT_TRUE(SetStartWithWindows(false));
    EXPECT_EQ(ReadTask(), nullptr) << "clearing left the task";
}

TEST_F(AutostartTest, AtSignInWithMinimizeToTrayItStartsHiddenInTheTrayAndWatches)
{
    StandInTray tray;
    ASSERT_TRUE(tray.Start());
    ASSERT_TRUE(WriteStoredDword(L"Minimize To Tray", 1));
    program.AcceptHiddenWindow();
    ASSERT_TRUE(program.Launch({L"/autostart"}));
    HWND window = program.Window();
    ASSERT_TRUE(tray.WaitForIcon(window));
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1011) == L"Stop"; })) << "the worker was not started";
    EXPECT_FALSE(IsWindowVisible(window)) << "the window showed at sign-in";
    TrayIconState icon;
    ASSERT_TRUE(WaitUntil([&] { return tray.IconOf(window, &icon) && icon.version != 0; }));
    ASSERT_TRUE(tray.Click(window));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }));
    ASSERT_TRUE(program.Close());
}

// Each alone is what it always was: /autostart starts the worker with the
// window shown; "Minimize To Tray" without it shows the window.
TEST_F(AutostartTest, EitherAloneShowsTheWindow)
{
    {
        KestrelcueProgram atSignIn;
        ASSERT_TRUE(atSignIn.Launch({L"/autostart"}));
        EXPECT_TRUE(WaitUntil([&] { return atSignIn.Text(1011) == L"Stop"; }));
        EXPECT_TRUE(IsWindowVisible(atSignIn.Window()));
        ASSERT_TRUE(atSignIn.Close());
    }
    ASSERT_TRUE(WriteStoredDword(L"Minimize To Tray", 1));
    ASSERT_TRUE(program.Launch());
    EXPECT_TRUE(IsWindowVisible(program.Window()));
    EXPECT_EQ(program.Text(1011), L"Start");
    ASSERT_TRUE(program.Close());
}

} // namespace

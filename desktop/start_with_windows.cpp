#include "desktop/start_with_windows.h"

#include <objbase.h>
#include <oleauto.h>
#include <sddl.h>
#include <taskschd.h>

#include <cwchar>
#include <initializer_list>

#include "app/app_state.h"
#include "desktop/tray_icon.h"
#include "app/command_line.h"

namespace {

// Where an earlier version asked Windows to start it; Windows does not
// start from there a program that asks for elevation, as this one does.
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Kestrelcue";
constexpr wchar_t kTaskName[] = L"Kestrelcue";
constexpr wchar_t kAutostartSwitch[] = L"/autostart";

// A long path (the \\?\ form's limit) and the terminator.
constexpr DWORD kExePathChars = 32768;
// A string SID is at most 184 characters.
constexpr DWORD kUserSidChars = 192;

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

bool NamesThisExe(const wchar_t* command)
{
    static wchar_t own[kExePathChars];  // UI thread only; too large for the stack
    return GetExePath(own) && CommandNamesProgram(command, own);
}

void RemoveOldRunValue()
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
}

// The signed-in user as the task names them, by SID; false when unknown.
bool GetUserSid(wchar_t (&sid)[kUserSidChars])
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    bool done = false;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
            done = std::wcslen(text) < kUserSidChars;
            if (done)
                std::wcscpy(sid, text);
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return done;
}

// An administrator, elevated or not: the token is split by User Account
// Control, or it is a member of Administrators.
bool IsUserAnAdministrator()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    const bool split = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) &&
                       type != TokenElevationTypeDefault;
    CloseHandle(token);
    if (split)
        return true;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    const bool known = CheckTokenMembership(nullptr, administrators, &member) != FALSE;
    FreeSid(administrators);
    return known && member;
}

// Appends `text` to `out`, XML's five special characters escaped; false
// when it does not fit.
bool AppendXml(wchar_t* out, size_t chars, size_t* length, const wchar_t* text, bool escape)
{
    for (; *text != L'\0'; ++text) {
        const wchar_t* piece = nullptr;
        if (escape) {
            switch (*text) {
            case L'&':  piece = L"&amp;"; break;
            case L'<':  piece = L"&lt;"; break;
            case L'>':  piece = L"&gt;"; break;
            case L'"':  piece = L"&quot;"; break;
            case L'\'': piece = L"&apos;"; break;
            default: break;
            }
        }
        const wchar_t single[] = {*text, L'\0'};
        if (piece == nullptr)
            piece = single;
        const size_t pieceLength = std::wcslen(piece);
        if (*length + pieceLength >= chars)
            return false;
        std::wmemcpy(out + *length, piece, pieceLength);
        *length += pieceLength;
    }
    out[*length] = L'\0';
    return true;
}

// One Task Scheduler connection for one call: the service, its root folder.
struct TaskFolder {
    bool comStarted = false;
    ITaskService* service = nullptr;
    ITaskFolder* root = nullptr;
};

bool OpenTaskFolder(TaskFolder* folder)
{
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder->comStarted = SUCCEEDED(started);
    if (FAILED(started) && started != RPC_E_CHANGED_MODE)
        return false;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                reinterpret_cast<void**>(&folder->service))))
        return false;
    VARIANT none;
    VariantInit(&none);
    if (FAILED(folder->service->Connect(none, none, none, none)))
        return false;
    BSTR rootPath = SysAllocString(L"\\");
    const HRESULT got = rootPath != nullptr ? folder->service->GetFolder(rootPath, &folder->root) : E_OUTOFMEMORY;
    SysFreeString(rootPath);
    return SUCCEEDED(got);
}

void CloseTaskFolder(TaskFolder* folder)
{
    if (folder->root != nullptr)
        folder->root->Release();
    if (folder->service != nullptr)
        folder->service->Release();
    if (folder->comStarted)
        CoUninitialize();
    *folder = TaskFolder();
}

// The path of the task's first action, when it starts a program.
bool ReadTaskProgram(ITaskFolder* root, BSTR* program)
{
    BSTR name = SysAllocString(kTaskName);
    IRegisteredTask* task = nullptr;
    ITaskDefinition* definition = nullptr;
    IActionCollection* actions = nullptr;
    IAction* action = nullptr;
    IExecAction* exec = nullptr;
    const bool read = name != nullptr && SUCCEEDED(root->GetTask(name, &task)) &&
                      SUCCEEDED(task->get_Definition(&definition)) && SUCCEEDED(definition->get_Actions(&actions)) &&
                      SUCCEEDED(actions->get_Item(1, &action)) &&
                      SUCCEEDED(action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(&exec))) &&
                      SUCCEEDED(exec->get_Path(program)) && *program != nullptr;
    for (IUnknown* held : {static_cast<IUnknown*>(exec), static_cast<IUnknown*>(action),
                           static_cast<IUnknown*>(actions), static_cast<IUnknown*>(definition),
                           static_cast<IUnknown*>(task)}) {
        if (held != nullptr)
            held->Release();
    }
    SysFreeString(name);
    return read;
}

bool RegisterSignInTask(ITaskFolder* root)
{
    static wchar_t own[kExePathChars];
    static wchar_t xml[kSignInTaskXmlChars];
    wchar_t sid[kUserSidChars];
    if (!GetExePath(own) || !GetUserSid(sid) || !BuildSignInTaskXml(own, sid, IsUserAnAdministrator(), xml))
        return false;
    BSTR name = SysAllocString(kTaskName);
    BSTR text = SysAllocString(xml);
    VARIANT none;
    VariantInit(&none);
    IRegisteredTask* task = nullptr;
    const bool done = name != nullptr && text != nullptr &&
                      SUCCEEDED(root->RegisterTask(name, text, TASK_CREATE_OR_UPDATE, none, none,
                                                   TASK_LOGON_INTERACTIVE_TOKEN, none, &task));
    if (task != nullptr)
        task->Release();
    SysFreeString(text);
    SysFreeString(name);
    return done;
}

bool DeleteSignInTask(ITaskFolder* root)
{
    BSTR name = SysAllocString(kTaskName);
    const HRESULT result = name != nullptr ? root->DeleteTask(name, 0) : E_OUTOFMEMORY;
    SysFreeString(name);
    return SUCCEEDED(result) || result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

} // namespace

bool CommandNamesProgram(const wchar_t* command, const wchar_t* exePath)
{
    static wchar_t named[kExePathChars];  // UI thread only; too large for the stack
    TakeProgramPath(command, named);
    return CompareStringOrdinal(named, -1, exePath, -1, TRUE) == CSTR_EQUAL;
}

bool BuildSignInTaskXml(const wchar_t* exePath, const wchar_t* userSid, bool highest,
                        wchar_t (&xml)[kSignInTaskXmlChars])
{
    size_t length = 0;
    xml[0] = L'\0';
    // Started at this user's sign-in in their session; never stopped for
    // taking long or for the battery, and a second start is not made.
    return AppendXml(xml, kSignInTaskXmlChars, &length,
                     L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                     L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
                     L"  <RegistrationInfo><Description>Starts Kestrelcue at sign-in.</Description></RegistrationInfo>\n"
                     L"  <Triggers><LogonTrigger><Enabled>true</Enabled><UserId>",
                     false) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, userSid, true) &&
           AppendXml(xml, kSignInTaskXmlChars, &length,
                     L"</UserId></LogonTrigger></Triggers>\n"
                     L"  <Principals><Principal id=\"Author\"><UserId>",
                     false) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, userSid, true) &&
           AppendXml(xml, kSignInTaskXmlChars, &length,
                     highest ? L"</UserId><LogonType>InteractiveToken</LogonType><RunLevel>HighestAvailable</RunLevel>"
                             : L"</UserId><LogonType>InteractiveToken</LogonType><RunLevel>LeastPrivilege</RunLevel>",
                     false) &&
           AppendXml(xml, kSignInTaskXmlChars, &length,
                     L"</Principal></Principals>\n"
                     L"  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
                     L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
                     L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
                     L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Enabled>true</Enabled></Settings>\n"
                     L"  <Actions Context=\"Author\"><Exec><Command>\"",
                     false) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, exePath, true) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, L"\"</Command><Arguments>", false) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, kAutostartSwitch, true) &&
           AppendXml(xml, kSignInTaskXmlChars, &length, L"</Arguments></Exec></Actions>\n</Task>\n", false);
}

bool IsStartWithWindowsSet()
{
    TaskFolder folder;
    BSTR program = nullptr;
    const bool ours = OpenTaskFolder(&folder) && ReadTaskProgram(folder.root, &program) && NamesThisExe(program);
    SysFreeString(program);
    CloseTaskFolder(&folder);
    return ours;
}

bool SetStartWithWindows(bool start)
{
    RemoveOldRunValue();
    TaskFolder folder;
    const bool done = OpenTaskFolder(&folder) && (start ? RegisterSignInTask(folder.root) : DeleteSignInTask(folder.root));
    CloseTaskFolder(&folder);
    return done;
}

bool StartsHiddenInTray(const wchar_t* arguments)
{
    return arguments != nullptr && IsAutostartRequested(arguments) && g_app.MinimizeToTray == 1 &&
           IsTrayIconAdded();
}

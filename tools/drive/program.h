// The real Kestrelcue.exe, driven as a user would: by messages to the
// controls of its main window.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "drive/child_process.h"
#include "drive/local_patch_server.h"

constexpr wchar_t kMainCaption[] = L"Kestrelcue (build 20120112)";
constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ondelvane\\Kestrelcue";

// What the status line says while the game's client API does not answer:
// on this computer (the game's window is there), and on another; `where`
// is "host:port".
std::wstring LocalApiSilentStatus(const std::wstring& where = L"127.0.0.1:6119");
std::wstring RemoteApiSilentStatus(const std::wstring& where);

// Removes the program's settings so that a test starts as a first run.
void DeleteSettings();

// One item of the patch version list.
struct PatchItem {
    std::wstring label;
    DWORD address;
};

inline bool operator==(const PatchItem& a, const PatchItem& b)
{
    return a.label == b.label && a.address == b.address;
}

class KestrelcueProgram {
public:
    KestrelcueProgram();
    ~KestrelcueProgram();
    KestrelcueProgram(const KestrelcueProgram&) = delete;
    KestrelcueProgram& operator=(const KestrelcueProgram&) = delete;

    // The program downloads its patch table at every start. By default Launch
    // makes sure a server serves the sample document (whose first address is
    // the simulated game's) until this object goes; programs that run at the
    // same time share it. A test that wants another answer calls this first
    // and runs its own server on the same port, or none at all, with no
    // program of the default kind alive beside it.
    void UseOutsidePatchServer();
    // The program runs once per logon session: a program launched while
    // another of these runs is given an instance of its own
    // ("/instance:NAME" before the arguments), as a user trying both sides
    // of a network pair on one computer would. A test of the one instance
    // starts its second program as a ChildProcess of its own.
    // Starts the program and waits for its main window; false when it never
    // showed, and then LaunchProblem says why (it is also written to stderr,
    // so that any test's failed start explains itself in the test's output).
    bool Launch(const std::vector<std::wstring>& args = {});
    // For a start that keeps the main window hidden (in the tray): Launch
    // then waits for the window whether it shows or not.
    void AcceptHiddenWindow() { hiddenWindowAccepted_ = true; }
    // The same with the whole command line as given, the program's name
    // in it included, however it is spelt.
    bool LaunchWithCommandLine(const std::wstring& commandLine);
    const std::string& LaunchProblem() const { return launchProblem_; }
    ChildProcess& Process() { return process_; }
    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }

    std::wstring Text(int id) const;
    std::wstring Status() const { return Text(1012); }
    void SetText(int id, const std::wstring& text) const;
    // Types the scene names into the four slots: the game starts, ends, is
    // left by alt+tab and is come back to.
    void NameScenes(const std::wstring& enter, const std::wstring& leave, const std::wstring& tabOut,
                    const std::wstring& tabIn) const;
    // How many entries the suggestion list shown under a field holds (the
    // shell's autocomplete: a list box in a window of the program's own),
    // 0 while none shows. Wine's list box holds no texts: an entry is read
    // as the user sees it, by choosing it.
    int SuggestionCount() const;
    // The texts of the balloons the program shows beside its fields (its
    // own balloon tooltips), in no order; empty when none shows.
    std::vector<std::wstring> ShownBalloons() const;
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    // A click as the user makes it: the control notifies the window, which
    // has handled it when this returns.
    void Click(int id) const;
    void SetChecked(int id, bool checked) const;
    void PressStartStop() const { Click(1011); }

    bool WaitForStatus(const std::wstring& expected, DWORD timeoutMs = 15000) const;
    // Every status text seen while polling until `expected` shows, for tests
    // that check a sequence.
    bool WaitForStatusSeen(const std::wstring& expected, std::vector<std::wstring>* seen,
                           DWORD timeoutMs = 15000) const;
    // Waits until the status line has shown each text in turn (others may
    // show between them). Every text must stay up for at least one polling
    // interval: a text the worker replaces at once can be missed.
    bool WaitForStatusesInOrder(const std::vector<std::wstring>& expected, DWORD timeoutMs = 15000) const;
    // Closes the main window as the caption's close box does and waits for the process to end.
    bool Close(DWORD timeoutMs = 15000);

    // The patch version list (1009), read across the process boundary.
    std::vector<PatchItem> PatchItems() const;
    int PatchCount() const;
    // The item shown selected; -1 when none.
    int SelectedPatch() const;
    bool WaitForPatchCount(int count, DWORD timeoutMs = 15000) const;
    // Picks an item as the user does: the list changes its selection and
    // tells the window, which has handled it when this returns.
    void PickPatch(int index) const;

    // Posts `message` to the main window (a click or a system menu command
    // that opens a modal dialog: sent, it would return only once the dialog
    // had closed) and waits for the dialog with this caption; null when it
    // did not show within the time.
    HWND OpenDialog(UINT message, WPARAM wParam, LPARAM lParam, const wchar_t* caption, DWORD timeoutMs);

private:
    bool LaunchAs(const std::wstring* commandLine, const std::vector<std::wstring>& args);
    bool FailLaunch(const std::string& why);
    bool IsAnotherRunning() const;

    // Declared before the process, so the process ends before its server.
    std::shared_ptr<LocalPatchServer> samplePatchServer_;
    bool patchServerChosen_ = false;
    bool hiddenWindowAccepted_ = false;
    ChildProcess process_;
    HWND window_ = nullptr;
    std::string launchProblem_;
};

// The demo: Kestrelcue with the simulated game and the simulated XSplit.
//   demo_session.exe --interactive      run them all until Kestrelcue's window is closed
//   demo_session.exe OUTPUT-FOLDER [--with-obs] [--with-browser]
//                                        play a short scripted session, print each status
//                                        text as it changes and save pictures of the window;
//                                        with OBS Studio too, and the overlay page on a
//                                        scene as Chromium shows it
// Exit code 0 when the scripted session went as expected.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drive/browser.h"
#include "drive/network_setup.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/record_dialog.h"
#include "drive/scenes_dialog.h"
#include "drive/screenshot.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

struct Session {
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    std::wstring outputFolder;
    std::wstring lastStatus;
    int failures = 0;
};

void Say(const char* text)
{
    std::printf("demo: %s\n", text);
    std::fflush(stdout);
}

void PrintStatusIfChanged(Session& s)
{
    std::wstring now = s.program.Status();
    if (now == s.lastStatus)
        return;
    s.lastStatus = now;
    std::printf("  status: %ls\n", now.c_str());
    std::fflush(stdout);
}

// Polls a program's status line, printing each new text, until the
// simulated XSplit has seen `clicks` clicks and the last of them is `scene`.
void ExpectSceneFrom(Session& s, KestrelcueProgram& side, const char* label, size_t clicks, const wchar_t* scene)
{
    std::wstring last;
    const bool arrived = WaitUntil([&] {
        std::wstring now = side.Status();
        if (now != last) {
            std::printf("  %sstatus: %ls\n", label, now.c_str());
            last = now;
        }
        return s.xsplit.Clicks().size() >= clicks;
    });
    std::vector<std::wstring> seen = s.xsplit.Clicks();
    if (arrived && seen.size() == clicks && seen.back() == scene) {
        std::printf("  XSplit switched to '%ls'\n", scene);
    } else {
        std::printf("  FAILED: expected XSplit to switch to '%ls' (click %zu), it has seen %zu clicks\n", scene,
                    clicks, seen.size());
        ++s.failures;
    }
    std::fflush(stdout);
}

void ExpectScene(Session& s, size_t clicks, const wchar_t* scene)
{
    ExpectSceneFrom(s, s.program, "", clicks, scene);
    s.lastStatus = s.program.Status();
}

void SavePicture(Session& s, HWND window, const wchar_t* name)
{
    std::wstring path = s.outputFolder + L"\\" + name + L".bmp";
    if (SaveWindowPicture(window, path)) {
        std::printf("  picture: %ls.bmp\n", name);
    } else {
        std::printf("  FAILED: could not save the picture %ls\n", name);
        ++s.failures;
    }
    std::fflush(stdout);
}

struct PopupSearch {
    DWORD processId;
    HWND mainWindow;
    std::vector<HWND> found;
};

// The program's shown windows beside its main window: the autocomplete's
// drop-down (a window holding a list box) and its balloons.
BOOL CALLBACK CollectPopups(HWND window, LPARAM context)
{
    PopupSearch* search = reinterpret_cast<PopupSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    const bool popup = FindWindowExW(window, nullptr, L"ListBox", nullptr) != nullptr ||
                       std::wstring(className) == L"tooltips_class32";
    if (owner == search->processId && window != search->mainWindow && IsWindowVisible(window) && popup)
        search->found.push_back(window);
    return TRUE;
}

void SavePictureWithPopups(Session& s, KestrelcueProgram& program, const wchar_t* name)
{
    PopupSearch search = {GetProcessId(program.Process().Handle()), program.Window(), {program.Window()}};
    EnumWindows(CollectPopups, reinterpret_cast<LPARAM>(&search));
    std::wstring path = s.outputFolder + L"\\" + name + L".bmp";
    // The popups stand over the window in the picture, as the user sees them.
    for (size_t i = 1; i < search.found.size(); ++i)
        SetWindowPos(search.found[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (search.found.size() > 1 && SaveWindowsPicture(search.found, path)) {
        std::printf("  picture: %ls.bmp\n", name);
    } else {
        std::printf("  FAILED: could not save the picture %ls\n", name);
        ++s.failures;
    }
    std::fflush(stdout);
}

// The enter-game field's list dropped with Down, as the user opens it.
void PictureFieldList(Session& s, KestrelcueProgram& program, const wchar_t* name)
{
    BringToFront(program.Window());
    program.SetText(1004, L"");
    FocusField(program.Control(1004));
    WaitUntil([&] {
        TypeKey(VK_ESCAPE);
        TypeKey(VK_DOWN);
        return WaitUntil([&] { return program.SuggestionCount() > 0; }, 500);
    }, 20000);
    std::printf("  the field's list shows %d scenes\n", program.SuggestionCount());
    SavePictureWithPopups(s, program, name);
    TypeKey(VK_ESCAPE);
    program.SetText(1004, L"Game");
}

// A name the broadcaster lacks, marked on its field.
void PictureMarkedField(Session& s, KestrelcueProgram& program, const wchar_t* name)
{
    BringToFront(program.Window());
    program.SetText(1006, L"Menu");
    WaitUntil([&] { return !program.ShownBalloons().empty(); });
    PrintStatusIfChanged(s);
    SavePictureWithPopups(s, program, name);
    program.SetText(1006, L"Menus");
}

// This computer in one role of a network pair; the program reads its
// settings once, at start, so two of them can run here in different roles.
void StoreNetworkRole(DWORD role, const wchar_t* host)
{
    WriteStoredDword(L"Remote Enabled", role == 0 ? 0 : 1);
    WriteStoredDword(L"Remote Role", role == 0 ? 1 : role);
    WriteStoredString(L"Remote Host", host);
}

bool LaunchAll(Session& s)
{
    StoreNetworkRole(0, L"");
    // The patch table, as on a first run; the client API part chooses the other source itself.
    WriteStoredDword(L"Game State Source", 0);
    // The game serves its client API as well, so both sources can be tried on it.
    if (!s.game.LaunchWithApi()) {
        Say("could not start the simulated game");
        return false;
    }
    if (!s.xsplit.Launch({L"Game", L"Menus", L"Away", L"Back", L"Loading", L"Replay", L"Watching", L"Won", L"Lost"})) {
        Say("could not start the simulated XSplit");
        return false;
    }
    if (!s.program.Launch()) {
        Say("Kestrelcue's main window did not show");
        return false;
    }
    return true;
}

int RunScripted(Session& s)
{
    Say("starting the simulated game, the simulated XSplit and Kestrelcue");
    if (!LaunchAll(s))
        return 1;
    s.program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    PrintStatusIfChanged(s);
    SavePicture(s, s.program.Window(), L"main-window");

    Say("the game comes to the front and Start is pressed");
    BringToFront(s.game.Window());
    s.program.PressStartStop();
    ExpectScene(s, 1, L"Menus");
    Say("a game starts");
    s.game.EnterGame();
    ExpectScene(s, 2, L"Game");
    SavePicture(s, s.program.Window(), L"main-window-in-game");
    Say("the player alt+tabs out and back in");
    BringToFront(s.xsplit.Window());
    ExpectScene(s, 3, L"Away");
    BringToFront(s.game.Window());
    ExpectScene(s, 4, L"Back");
    Say("the game ends");
    s.game.ShowScore();
    ExpectScene(s, 5, L"Menus");

    Say("Stop is pressed and the window closed");
    s.program.PressStartStop();
    PrintStatusIfChanged(s);
    if (s.program.Status() != L"Aborted.") {
        Say("FAILED: Stop did not end with \"Aborted.\"");
        ++s.failures;
    }
    Say("a field's list offers XSplit's scene buttons; a name XSplit lacks is marked");
    PictureFieldList(s, s.program, L"scene-list-xsplit");
    PictureMarkedField(s, s.program, L"scene-marked");
    if (!s.program.Close()) {
        Say("FAILED: the program did not end when its window was closed");
        ++s.failures;
    }
    return 0;
}

// The game side's Network Setup dialog as the user fills it in: opened,
// pictured, and closed with OK, which keeps the stored role and host.
void ShowNetworkSetup(Session& s, KestrelcueProgram& side)
{
    HWND dialog = OpenNetworkSetup(side);
    if (dialog == nullptr) {
        Say("FAILED: the Network Setup dialog did not open");
        ++s.failures;
        return;
    }
    const int role = CheckedRoleButton(dialog);
    std::printf("  Network Setup: %ls, host '%ls'\n",
                role == 1001 ? L"I'm running SC2" : role == 1002 ? L"I'm running XSplit" : L"no role chosen",
                WindowText(GetDlgItem(dialog, 1015)).c_str());
    SavePicture(s, dialog, L"network-setup");
    ClickSetupOk(dialog);
    WaitForDialogGone(dialog);
}

// The same game on two "computers": a game side that sends each scene over
// UDP to 127.0.0.1, and an XSplit side that clicks what it receives.
int RunNetworkScripted(Session& s)
{
    Say("network mode: an XSplit side and a game side on this machine, over loopback");
    KestrelcueProgram xsplitSide, gameSide;
    StoreNetworkRole(2, L"");
    if (!xsplitSide.Launch())
        return 1;
    StoreNetworkRole(1, L"127.0.0.1");
    if (!gameSide.Launch())
        return 1;
    ShowNetworkSetup(s, gameSide);
    gameSide.SetText(1004, L"Game");
    gameSide.SetText(1006, L"Menus");
    xsplitSide.PressStartStop();
    if (!xsplitSide.WaitForStatus(L"Waiting for network event...")) {
        Say("FAILED: the XSplit side is not waiting for the network");
        return 1;
    }
    std::printf("  XSplit side status: %ls\n", xsplitSide.Status().c_str());
    SavePicture(s, xsplitSide.Window(), L"xsplit-side");
    BringToFront(s.game.Window());
    gameSide.PressStartStop();
    const size_t before = s.xsplit.Clicks().size();
    ExpectSceneFrom(s, xsplitSide, "XSplit side ", before + 1, L"Menus");
    Say("a game starts on the game side");
    s.game.EnterGame();
    ExpectSceneFrom(s, xsplitSide, "XSplit side ", before + 2, L"Game");
    std::printf("  game side status: %ls\n", gameSide.Status().c_str());
    s.game.ShowScore();
    ExpectSceneFrom(s, xsplitSide, "XSplit side ", before + 3, L"Menus");
    gameSide.PressStartStop();
    xsplitSide.PressStartStop();
    gameSide.Close();
    xsplitSide.Close();
    StoreNetworkRole(0, L"");
    return 0;
}

// The game's state from its client API instead of its memory: chosen in
// Options, no patch table needed, and a replay shows the game's scene too.
int RunClientApiScripted(Session& s)
{
    Say("the game client API: chosen in Options, then a replay and the score screen");
    KestrelcueProgram program;
    if (!program.Launch())
        return 1;
    program.SetText(1004, L"Game");
    program.SetText(1006, L"Menus");
    HWND dialog = OpenOptions(program);
    if (dialog == nullptr) {
        Say("FAILED: the Options dialog did not open");
        return 1;
    }
    ChooseSource(dialog, kOptionsClientApi);
    SavePicture(s, dialog, L"options");
    PressOptionsButton(dialog, IDOK);
    WaitForDialogGone(dialog);
    std::printf("  Options: the game client API; the Patch list is %s\n",
                program.IsEnabled(1009) ? "still enabled (FAILED)" : "disabled");
    if (program.IsEnabled(1009))
        ++s.failures;
    BringToFront(s.game.Window());
    program.PressStartStop();
    const size_t before = s.xsplit.Clicks().size();
    ExpectSceneFrom(s, program, "", before + 1, L"Menus");
    Say("a replay starts");
    s.game.StartReplay();
    ExpectSceneFrom(s, program, "", before + 2, L"Game");
    Say("the replay ends on the score screen");
    s.game.ShowScore();
    ExpectSceneFrom(s, program, "", before + 3, L"Menus");
    program.PressStartStop();
    program.Close();
    WriteStoredDword(L"Game State Source", 0);
    return 0;
}

// The Record dialog after the situations' evening: one win counted, shown
// in a file a text source reads.
void ShowRecordDialog(Session& s, KestrelcueProgram& program)
{
    HWND dialog = OpenRecord(program);
    if (dialog == nullptr) {
        Say("FAILED: the Record dialog did not open");
        ++s.failures;
        return;
    }
    std::printf("  Record: %ls\n", WindowText(GetDlgItem(dialog, kRecordPreview)).c_str());
    SavePicture(s, dialog, L"record");
    PressRecordButton(dialog, IDCANCEL);
    WaitForDialogGone(dialog);
    const std::string file = ReadWholeFile(s.outputFolder + L"\\record.txt");
    std::printf("  record.txt: %s\n", file.c_str());
    if (file != "1 - 0") {
        Say("FAILED: the record file does not show the game won");
        ++s.failures;
    }
}

// Scenes for the situations the client API tells, set in the Scenes dialog
// with the user's name: the loading screen, a win, a game of others and a
// replay each show a scene of their own.
int RunSituationsScripted(Session& s)
{
    Say("situations: the Scenes dialog, then loading, a won game, an observed game and a replay; the record");
    WriteStoredDword(L"Game State Source", 1);
    WriteStoredString(L"Record File", s.outputFolder + L"\\record.txt");
    KestrelcueProgram program;
    if (!program.Launch())
        return 1;
    program.NameScenes(L"Game", L"Menus", L"", L"");
    HWND dialog = OpenScenes(program);
    if (dialog == nullptr) {
        Say("FAILED: the Scenes dialog did not open");
        return 1;
    }
    const struct {
        int field;
        const wchar_t* text;
    } fields[] = {{kScenesLoading, L"Loading"}, {kScenesReplay, L"Replay"}, {kScenesObserving, L"Watching"},
                  {kScenesVictory, L"Won"},     {kScenesDefeat, L"Lost"},   {kScenesNames, L"Kestrel; KestrelEU"}};
    for (const auto& field : fields)
        SetWindowTextAcross(GetDlgItem(dialog, field.field), field.text);
    SavePicture(s, dialog, L"scenes");
    PressScenesButton(dialog, IDOK);
    WaitForDialogGone(dialog);
    // A game against a human, so that the record counts it.
    s.game.SetLineup({{"Kestrel", "user", "Zerg", "Victory"}, {"Maru", "user", "Terr", "Defeat"}});
    BringToFront(s.game.Window());
    program.PressStartStop();
    size_t clicks = s.xsplit.Clicks().size();
    ExpectSceneFrom(s, program, "", ++clicks, L"Menus");
    const struct {
        const char* say;
        bool (SimulatedGame::*act)();
        const wchar_t* scene;
    } steps[] = {
        {"a game loads", &SimulatedGame::ShowLoading, L"Loading"},
        {"the game starts", &SimulatedGame::EnterGame, L"Game"},
        {"the game is won", &SimulatedGame::ShowScore, L"Won"},
        {"a game of two others is watched", &SimulatedGame::ObserveGame, L"Watching"},
        {"it ends", &SimulatedGame::ShowScore, L"Menus"},
        {"a replay starts", &SimulatedGame::StartReplay, L"Replay"},
        {"back to the menus", &SimulatedGame::ShowMenus, L"Menus"},
    };
    for (const auto& step : steps) {
        Say(step.say);
        (s.game.*step.act)();
        ExpectSceneFrom(s, program, "", ++clicks, step.scene);
    }
    program.PressStartStop();
    ShowRecordDialog(s, program);
    program.Close();
    DeleteSettings();
    return 0;
}

// OBS Studio as the program switched, chosen and tested in Options: a real
// OBS on this display, asked by a client of the demo's own what is on air.
int RunObsScripted(Session& s)
{
    Say("OBS Studio: chosen in Options, Test connection, then a game");
    ObsStudio obs;
    const char password[] = "demo-Passw0rd";
    if (!obs.Start(FreshTempFolder(L"demo-obs"), {"Game", "Menus", "Away", "Back"}, password)) {
        std::printf("  FAILED: OBS Studio did not start: %s\n", obs.Error().c_str());
        return 1;
    }
    ObsWebSocket watcher;
    if (!watcher.Connect(kObsTestPort, password, kObsEventScenes)) {
        std::printf("  FAILED: the demo's own OBS client did not connect: %s\n", watcher.Error().c_str());
        return 1;
    }
    KestrelcueProgram program;
    if (!program.Launch())
        return 1;
    program.SetText(1004, L"Game");
    program.SetText(1006, L"Menus");
    HWND dialog = OpenOptions(program);
    if (dialog == nullptr) {
        Say("FAILED: the Options dialog did not open");
        return 1;
    }
    SendMessageW(GetDlgItem(dialog, 1018), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(dialog, 1019), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), LPARAM(GetDlgItem(dialog, 1019)));
    SetWindowTextAcross(GetDlgItem(dialog, 1020), L"localhost");
    SetWindowTextAcross(GetDlgItem(dialog, 1021), std::to_wstring(kObsTestPort));
    SetWindowTextAcross(GetDlgItem(dialog, 1022), L"demo-Passw0rd");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1023, BN_CLICKED), LPARAM(GetDlgItem(dialog, 1023)));
    WaitUntil([&] { return WindowText(GetDlgItem(dialog, 1024)).find(L"Connected to OBS Studio") == 0; }, 20000);
    std::printf("  Test connection: %ls\n", WindowText(GetDlgItem(dialog, 1024)).c_str());
    SavePicture(s, dialog, L"options-obs");
    PressOptionsButton(dialog, IDOK);
    WaitForDialogGone(dialog);
    Say("a field's list offers OBS's scenes, fetched while not watching");
    PictureFieldList(s, program, L"scene-list-obs");

    BringToFront(s.game.Window());
    program.SetChecked(1010, true);
    program.PressStartStop();
    const struct {
        const char* say;
        bool (SimulatedGame::*act)();
        const char* scene;
    } steps[] = {
        {"watching starts in the menus", nullptr, "Menus"},
        {"a game starts", &SimulatedGame::EnterGame, "Game"},
        {"the game ends", &SimulatedGame::ShowScore, "Menus"},
    };
    for (const auto& step : steps) {
        Say(step.say);
        if (step.act != nullptr)
            (s.game.*step.act)();
        ObsSceneChange change;
        if (watcher.WaitForSceneChange(&change, 15000) && change.sceneName == step.scene) {
            std::printf("  status: %ls\n  OBS switched to '%s'\n", program.Status().c_str(), step.scene);
        } else {
            std::printf("  FAILED: expected OBS to switch to '%s'\n", step.scene);
            ++s.failures;
        }
        std::fflush(stdout);
    }
    program.PressStartStop();
    program.Close();
    DeleteSettings();
    return 0;
}

// The overlay's port for the demo: neither the tests' nor the bench's.
constexpr DWORD kDemoOverlayPort = 28031;

// A scene of a game for the overlay to sit on: a dark map, the game's own
// bars of resources and its minimap drawn with CSS, and the overlay page
// in an iframe the size of a browser source's, as OBS composites it.
std::string OverlayScene(const std::string& overlay)
{
    const std::string html =
        "<!DOCTYPE html><html><body style=\"margin:0;position:relative;width:1280px;height:720px;overflow:hidden;"
        "background:radial-gradient(circle at 70% 40%,#354a2c 0,#1d2a1a 30%,transparent 60%),"
        "radial-gradient(circle at 25% 75%,#3a3324 0,#221d15 35%,transparent 65%),"
        "linear-gradient(160deg,#14201a,#0c1210 60%,#10160f)\">"
        "<div style=\"position:absolute;right:24px;top:14px;font:600 18px sans-serif;color:#cfe3ff;"
        "letter-spacing:1px\">&#9670; 450 &nbsp; &#9650; 212 &nbsp; 38/46</div>"
        "<div style=\"position:absolute;left:16px;bottom:16px;width:220px;height:220px;background:#101810;"
        "border:2px solid #445544;box-shadow:inset 0 0 40px #000\"></div>"
        "<div style=\"position:absolute;left:260px;right:260px;bottom:0;height:150px;"
        "background:linear-gradient(#222a30,#11161a);border-top:2px solid #556270\"></div>"
        "<iframe src=\"" + overlay + "\" onload=\"document.body.dataset.loaded=1\" style=\"position:absolute;"
        "left:24px;top:24px;width:520px;height:420px;border:0\"></iframe></body></html>";
    std::string url = "data:text/html;charset=utf-8,";
    for (char c : html)
        url += c == '%' ? "%25" : c == '#' ? "%23" : std::string(1, c);
    return url;
}

// The overlay page after an evening of three games, the fourth on the map:
// the picture of it on a scene is what the README shows.
int RunOverlayScripted(Session& s)
{
    Say("overlay: three games played, a fourth on the map, the page on a scene in Chromium");
    WriteStoredDword(L"Game State Source", 1);
    WriteStoredString(L"Player Names", L"Kestrel");
    WriteStoredDword(L"Overlay Port", kDemoOverlayPort);
    KestrelcueProgram program;
    if (!program.Launch())
        return 1;
    program.NameScenes(L"Game", L"Menus", L"", L"");
    BringToFront(s.game.Window());
    program.PressStartStop();
    size_t clicks = s.xsplit.Clicks().size();
    ExpectSceneFrom(s, program, "", ++clicks, L"Menus");
    const std::vector<std::vector<SimLineupPlayer>> games = {
        {{"Kestrel", "user", "Zerg", "Victory"}, {"Harrier", "user", "Terr", "Defeat"}},
        {{"Kestrel", "user", "Zerg", "Defeat"}, {"Ondra", "user", "Prot", "Victory"}},
        {{"Kestrel", "user", "Zerg", "Victory"}, {"Veyl", "user", "Zerg", "Defeat"}},
        {{"Kestrel", "user", "Zerg", "Victory"}, {"Corvid", "user", "Prot", "Defeat"}},
    };
    for (size_t i = 0; i < games.size(); ++i) {
        s.game.SetLineup(games[i]);
        s.game.ShowLoading();
        s.game.EnterGame();
        ExpectSceneFrom(s, program, "", ++clicks, L"Game");
        if (i + 1 == games.size())
            break;
        // Long enough that the list shows a game's length.
        Sleep(1500);
        s.game.ShowScore();
        ExpectSceneFrom(s, program, "", ++clicks, L"Menus");
    }
    HeadlessBrowser browser;
    const std::string overlay = "http://127.0.0.1:" + std::to_string(kDemoOverlayPort) + "/?size=22";
    bool pictured = browser.Start(FreshTempFolder(L"demo-browser")) && browser.Navigate(overlay) &&
                    WaitUntil([&] { return browser.ValueOf("document.body.innerText").find("Corvid") !=
                                           std::string::npos; }) &&
                    browser.Navigate(OverlayScene(overlay)) &&
                    WaitUntil([&] { return browser.ValueOf("document.body.dataset.loaded || ''") == "1"; });
    // The frame's first event, and the frame after it.
    Sleep(1000);
    pictured = pictured && browser.SaveScreenshot(s.outputFolder + L"\\overlay.png", 1280, 720);
    if (pictured)
        std::printf("  saved %ls\\overlay.png\n", s.outputFolder.c_str());
    else
        std::printf("  FAILED: no picture of the overlay: %s\n", browser.Error().c_str());
    std::fflush(stdout);
    program.PressStartStop();
    program.Close();
    DeleteSettings();
    return pictured ? 0 : 1;
}

int RunInteractive(Session& s)
{
    if (!LaunchAll(s))
        return 1;
    Say("running: use the simulated game's buttons, alt+tab, Options... in Kestrelcue's system menu, "
        "and close Kestrelcue's window to end");
    s.program.Process().WaitForExit(INFINITE);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Session session;
    if (argc == 2 && std::wstring(argv[1]) == L"--interactive")
        return RunInteractive(session);
    bool withObs = false;
    bool withBrowser = false;
    for (int i = 2; i < argc; ++i) {
        const std::wstring option = argv[i];
        withObs = withObs || option == L"--with-obs";
        withBrowser = withBrowser || option == L"--with-browser";
        if (option != L"--with-obs" && option != L"--with-browser")
            argc = 0;
    }
    if (argc < 2) {
        std::printf("usage: demo_session.exe --interactive | OUTPUT-FOLDER [--with-obs] [--with-browser]\n");
        return 2;
    }
    session.outputFolder = argv[1];
    CreateDirectoryW(session.outputFolder.c_str(), nullptr);
    if (RunScripted(session) != 0 || RunNetworkScripted(session) != 0 || RunClientApiScripted(session) != 0 ||
        RunSituationsScripted(session) != 0)
        ++session.failures;
    if (!withObs)
        Say("OBS Studio is not installed here: the OBS part is left out");
    else if (RunObsScripted(session) != 0)
        ++session.failures;
    if (!withBrowser)
        Say("Chromium is not installed here: the overlay's picture is left out");
    else if (RunOverlayScripted(session) != 0)
        ++session.failures;
    std::printf("demo: %s\n", session.failures == 0 ? "everything went as expected" : "some steps FAILED");
    return session.failures == 0 ? 0 : 1;
}

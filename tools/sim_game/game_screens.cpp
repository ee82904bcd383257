// The rules that turn the game's buttons into screens and the client API's
// answers, kept apart from the window and the sockets so they read as a list.
#include "sim_game/game_screens.h"

#include <cstdio>

namespace {

constexpr char kMenuScreens[] =
    "\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\", "
    "\"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenHome/ScreenHome\"";
constexpr char kScoreScreens[] =
    "\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\", "
    "\"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenScore/ScreenScore\"";
constexpr char kLoadingScreens[] = "\"ScreenLoading/ScreenLoading\"";

constexpr char kUiPrefix[] = "{\"activeScreens\": [";
constexpr char kUiOversizedItem[] = "\"ScreenHome/ScreenHome\"";
constexpr char kListSeparator[] = ", ";
constexpr char kListEnd[] = "]}";

// Room for the head of a /game body with any displayTime.
constexpr size_t kGameHeadChars = 96;
// Room for one player with the longest name and result below.
constexpr size_t kPlayerChars = 160;

struct Player {
    int id;
    const char* name;
    const char* type;
    const char* race;
    const char* resultWhenFinished;
};
// The user wins every simulated game: which side wins matters to no test.
constexpr Player kPlayers[] = {
    {1, "Kestrel", "user", "Zerg", "Victory"},
    {2, "A.I. 1 (Very Easy)", "computer", "Terran", "Defeat"},
};

double RunningSeconds(const GameRecord& record, ULONGLONG now)
{
    if (record.finished)
        return record.frozenSeconds;
    if (!record.started)
        return 0;
    return double(now - record.startTick) / 1000.0;
}

void FinishGame(GameRecord* record, ULONGLONG now)
{
    if (!record->exists || record->finished)
        return;
    record->frozenSeconds = RunningSeconds(*record, now);
    record->finished = true;
}

GameRecord NewGame(bool isReplay, bool started, ULONGLONG now)
{
    GameRecord record;
    record.exists = true;
    record.isReplay = isReplay;
    record.started = started;
    record.startTick = now;
    return record;
}

std::string PlayerText(const Player& player, bool finished)
{
    char text[kPlayerChars];
    std::snprintf(text, sizeof text,
                  "{\"id\": %d, \"name\": \"%s\", \"type\": \"%s\", \"race\": \"%s\", \"result\": \"%s\"}", player.id,
                  player.name, player.type, player.race, finished ? player.resultWhenFinished : "Undecided");
    text[kPlayerChars - 1] = '\0';
    return text;
}

std::string GameHead(bool isReplay, double seconds)
{
    char text[kGameHeadChars];
    std::snprintf(text, sizeof text, "{\"isReplay\": %s, \"displayTime\": %.3f, \"players\": [",
                  isReplay ? "true" : "false", seconds);
    text[kGameHeadChars - 1] = '\0';
    return text;
}

} // namespace

void ShowScreen(GameView* view, Screen next, ULONGLONG now)
{
    GameRecord& record = view->record;
    const bool playing = view->screen == Screen::InGame || view->screen == Screen::Replay;
    if (next == view->screen && playing)
        return;  // a second press does not restart the game
    switch (next) {
    case Screen::Menus:
    case Screen::Score:
        FinishGame(&record, now);
        break;
    case Screen::Loading:
        FinishGame(&record, now);
        record = NewGame(false, false, now);
        break;
    case Screen::InGame:
        // The game that was loading starts; from anywhere else a new one does.
        if (view->screen == Screen::Loading && record.exists && !record.started && !record.finished) {
            record.started = true;
            record.startTick = now;
        } else {
            FinishGame(&record, now);
            record = NewGame(false, true, now);
        }
        break;
    case Screen::Replay:
        FinishGame(&record, now);
        record = NewGame(true, true, now);
        break;
    }
    view->screen = next;
}

bool IsFlagSetOn(Screen screen)
{
    return screen == Screen::InGame || screen == Screen::Replay;
}

const wchar_t* ScreenLabel(Screen screen)
{
    switch (screen) {
    case Screen::Menus: return L"Menus";
    case Screen::Loading: return L"Loading";
    case Screen::InGame: return L"In game";
    case Screen::Score: return L"Score screen";
    case Screen::Replay: return L"Replay";
    }
    return L"?";
}

std::string UiBody(Screen screen)
{
    const char* screens = "";
    switch (screen) {
    case Screen::Menus: screens = kMenuScreens; break;
    case Screen::Loading: screens = kLoadingScreens; break;
    case Screen::Score: screens = kScoreScreens; break;
    case Screen::InGame:
    case Screen::Replay: break;
    }
    return std::string(kUiPrefix) + screens + kListEnd;
}

std::string GameBody(const GameRecord& record, ULONGLONG now)
{
    // Before the first game the game knows no players.
    std::string body = GameHead(record.isReplay, RunningSeconds(record, now));
    if (record.exists) {
        for (size_t i = 0; i < sizeof kPlayers / sizeof kPlayers[0]; ++i) {
            if (i > 0)
                body += kListSeparator;
            body += PlayerText(kPlayers[i], record.finished);
        }
    }
    return body + kListEnd;
}

std::string OversizedBody(const std::string& path, size_t bytes)
{
    const bool game = path == "/game";
    std::string body = game ? GameHead(false, 0) : std::string(kUiPrefix);
    const std::string item = game ? PlayerText(kPlayers[0], false) : std::string(kUiOversizedItem);
    const size_t listEnd = sizeof kListEnd - 1;
    const size_t separator = sizeof kListSeparator - 1;
    body.reserve(bytes);
    if (body.size() + item.size() + listEnd <= bytes)
        body += item;
    while (body.size() + separator + item.size() + listEnd <= bytes)
        body += kListSeparator + item;
    // White space between the list's items is still JSON; it makes the size exact.
    if (body.size() + listEnd < bytes)
        body.append(bytes - listEnd - body.size(), ' ');
    return body + kListEnd;
}

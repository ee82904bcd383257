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

GameRecord NewGame(bool isReplay, ULONGLONG now, const std::vector<SimPlayer>& players)
{
    GameRecord record;
    record.exists = true;
    record.isReplay = isReplay;
    record.started = true;
    record.startTick = now;
    record.players = players;
    return record;
}

// A JSON string's content: the game's names are UTF-8 and pass as they are.
std::string JsonText(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char unit[8];
            std::snprintf(unit, sizeof unit, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
            escaped += unit;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

const std::string& ResultShown(const SimPlayer& player, const GameRecord& record)
{
    static const std::string kUndecided = "Undecided", kVictory = "Victory", kDefeat = "Defeat";
    if (!record.finished)
        return kUndecided;
    if (record.lost && player.resultAtEnd == kVictory)
        return kDefeat;
    if (record.lost && player.resultAtEnd == kDefeat)
        return kVictory;
    return player.resultAtEnd;
}

std::string PlayerText(int id, const SimPlayer& player, const std::string& result)
{
    return "{\"id\": " + std::to_string(id) + ", \"name\": \"" + JsonText(player.name) + "\", \"type\": \"" +
           JsonText(player.type) + "\", \"race\": \"" + JsonText(player.race) + "\", \"result\": \"" +
           JsonText(result) + "\"}";
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

std::vector<SimPlayer> DefaultLineup()
{
    return {{"Kestrel", "user", "Zerg", "Victory"}, {"A.I. 1 (Very Easy)", "computer", "Terr", "Defeat"}};
}

std::vector<SimPlayer> ObservedLineup()
{
    return {{"Maru", "user", "Terr", "Defeat"}, {"Serral", "user", "Zerg", "Victory"}};
}

bool ParseLineup(const std::string& text, std::vector<SimPlayer>* lineup)
{
    static const char* const kTypes[] = {"user", "computer"};
    static const char* const kRaces[] = {"Terr", "Zerg", "Prot", "random"};
    static const char* const kResults[] = {"Victory", "Defeat", "Tie", "Undecided"};
    auto isOneOf = [](const std::string& word, const char* const* words, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (word == words[i])
                return true;
        }
        return false;
    };
    std::vector<SimPlayer> players;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line.empty())
            continue;
        std::vector<std::string> fields;
        for (size_t from = 0;;) {
            const size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        if (fields.size() != 4 || !isOneOf(fields[1], kTypes, 2) || !isOneOf(fields[2], kRaces, 4) ||
            !isOneOf(fields[3], kResults, 4))
            return false;
        players.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    *lineup = players;
    return true;
}

void ShowScreenWith(GameView* view, Screen next, ULONGLONG now, const std::vector<SimPlayer>& players)
{
    GameRecord& record = view->record;
    const bool playing = view->screen == Screen::InGame || view->screen == Screen::Replay;
    if (next == view->screen && playing)
        return;  // a second press does not restart the game
    switch (next) {
    case Screen::Menus:
    case Screen::Score:
    case Screen::Loading:
        // The loading screen still tells of the last game: who plays the
        // next one is known once its map is on.
        FinishGame(&record, now);
        break;
    case Screen::InGame:
        FinishGame(&record, now);
        record = NewGame(false, now, players);
        break;
    case Screen::Replay:
        FinishGame(&record, now);
        record = NewGame(true, now, players);
        break;
    }
    view->screen = next;
}

void ShowScreen(GameView* view, Screen next, ULONGLONG now)
{
    ShowScreenWith(view, next, now, view->lineup);
}

void ShowLostScore(GameView* view, ULONGLONG now)
{
    const bool wasPlaying = view->screen == Screen::InGame || view->screen == Screen::Replay;
    ShowScreen(view, Screen::Score, now);
    if (wasPlaying)
        view->record.lost = true;
}

void ShowMapAgain(GameView* view)
{
    view->screen = view->record.isReplay ? Screen::Replay : Screen::InGame;
}

void TurnResults(GameView* view)
{
    view->record.lost = !view->record.lost;
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
        for (size_t i = 0; i < record.players.size(); ++i) {
            if (i > 0)
                body += kListSeparator;
            body += PlayerText(int(i + 1), record.players[i], ResultShown(record.players[i], record));
        }
    }
    return body + kListEnd;
}

std::string OversizedBody(const std::string& path, size_t bytes)
{
    const bool game = path == "/game";
    std::string body = game ? GameHead(false, 0) : std::string(kUiPrefix);
    const SimPlayer player = DefaultLineup()[0];
    const std::string item = game ? PlayerText(1, player, "Undecided") : std::string(kUiOversizedItem);
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

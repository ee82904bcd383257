#include "overlay/match_state.h"

#include <cstring>

#include "record/session_record.h"

static_assert(kMatchRecordTextBytes == kRecordTextBytes, "the record's text is formatted in place");

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ondelvane\\Kestrelcue";
constexpr wchar_t kLastGamesValue[] = L"Last Games";

// The last games as the registry holds them: the count, then the games.
struct StoredGames {
    uint32_t count;
    LastGame games[kLastGamesKept];
};

// The match, taken exclusive by each change and shared by each view.
SRWLOCK g_lock = SRWLOCK_INIT;
Situation g_situation = Situation::None;  // under g_lock
size_t g_playerCount;                      // under g_lock
MatchPlayer g_players[kClientApiMostPlayers];  // under g_lock
StoredGames g_games;                       // under g_lock
bool g_gamesLoaded;                        // under g_lock
unsigned g_change;                         // under g_lock
volatile LONG g_watched;                   // set by the overlay's server, read by the worker

struct SituationWord {
    Situation situation;
    const char* word;
};
constexpr SituationWord kSituationWords[] = {
    {Situation::None, "none"},         {Situation::Playing, "playing"},   {Situation::Observing, "observing"},
    {Situation::Replay, "replay"},     {Situation::Loading, "loading"},   {Situation::AfterWin, "victory"},
    {Situation::AfterLoss, "defeat"},  {Situation::AfterGame, "score"},   {Situation::Menus, "menus"},
};

const char* WordOf(Situation situation)
{
    for (const SituationWord& row : kSituationWords) {
        if (row.situation == situation)
            return row.word;
    }
    return "none";
}

bool IsStoredGameSound(const LastGame& game)
{
    return game.race >= PlayerRace::Other && game.race <= PlayerRace::Random &&
           game.result >= PlayerResult::Other && game.result <= PlayerResult::Tie;
}

// Under g_lock, exclusive: the stored games, once a run.
void LoadGamesOnce()
{
    if (g_gamesLoaded)
        return;
    g_gamesLoaded = true;
    StoredGames stored = {};
    DWORD bytes = sizeof stored;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    const LSTATUS read = RegQueryValueExW(key, kLastGamesValue, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &bytes);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_BINARY || bytes != sizeof stored || stored.count > kLastGamesKept)
        return;
    for (uint32_t i = 0; i < stored.count; ++i) {
        stored.games[i].opponent[kMatchNameBytes - 1] = '\0';
        if (!IsStoredGameSound(stored.games[i]))
            return;
    }
    g_games = stored;
}

// Under g_lock, exclusive.
void StoreGames()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, kLastGamesValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&g_games), sizeof g_games);
    RegCloseKey(key);
}

// Under g_lock, exclusive: the user first, the others in the game's order.
void TakePlayers(const ClientApiGame& game, const wchar_t* names)
{
    g_playerCount = TakeMatchPlayers(game, FindUserAmong(game, names), g_players);
}

} // namespace

void WatchMatch(bool watched)
{
    InterlockedExchange(&g_watched, watched ? 1 : 0);
}

bool IsMatchWatched()
{
    return InterlockedCompareExchange(&g_watched, 0, 0) != 0;
}

void ShowMatch(Situation situation, const ClientApiGame* game, const wchar_t* names)
{
    AcquireSRWLockExclusive(&g_lock);
    const bool changed = situation != g_situation || game != nullptr || (situation == Situation::Menus && g_playerCount != 0);
    g_situation = situation;
    if (game != nullptr)
        TakePlayers(*game, names);
    else if (situation == Situation::Menus)
        g_playerCount = 0;
    if (changed)
        ++g_change;
    ReleaseSRWLockExclusive(&g_lock);
}

void AddLastGame(const ClientApiGame& counted, const wchar_t* names)
{
    // The record counts only a game of the user's against a human.
    const int user = FindUserAmong(counted, names);
    if (user < 0)
        return;
    LastGame game = {};
    for (size_t i = 0; i < counted.playerCount; ++i) {
        if (int(i) != user && counted.players[i].type == PlayerType::User) {
            ReadablePlayerName(counted.players[i].name, game.opponent);
            game.race = counted.players[i].race;
            break;
        }
    }
    game.result = counted.players[user].result;
    game.seconds = counted.displayTime > 0 && counted.displayTime < 1e9 ? uint32_t(counted.displayTime) : 0;
    AcquireSRWLockExclusive(&g_lock);
    LoadGamesOnce();
    std::memmove(&g_games.games[1], &g_games.games[0], sizeof(LastGame) * (kLastGamesKept - 1));
    g_games.games[0] = game;
    if (g_games.count < kLastGamesKept)
        ++g_games.count;
    StoreGames();
    ++g_change;
    ReleaseSRWLockExclusive(&g_lock);
}

void ClearLastGames()
{
    AcquireSRWLockExclusive(&g_lock);
    LoadGamesOnce();
    // Nothing stored for a list that is empty already.
    if (g_games.count != 0) {
        g_games = StoredGames{};
        StoreGames();
        ++g_change;
    }
    ReleaseSRWLockExclusive(&g_lock);
}

void TakeMatchView(MatchView* view, unsigned* change)
{
    RecordSnapshot record;
    TakeRecordSnapshot(&record);
    AcquireSRWLockExclusive(&g_lock);
    LoadGamesOnce();
    view->situation = WordOf(g_situation);
    view->playerCount = g_playerCount;
    std::memcpy(view->players, g_players, sizeof g_players);
    view->gameCount = g_games.count;
    std::memcpy(view->games, g_games.games, sizeof g_games.games);
    *change = g_change + record.change;
    ReleaseSRWLockExclusive(&g_lock);
    view->counts = record.counts;
    FormatRecordUtf8(record.places, record.counts, view->recordText);
}

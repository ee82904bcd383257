#include "record/record_watch.h"

#include <cmath>
#include <cstring>

#include "watch/situation.h"

namespace {

// How long a game's end is given to answer with a result: as long as a
// silent game is waited for, and a little more for a result the game has
// not decided yet when its map goes off.
constexpr ULONGLONG kAnswerWaitMs = 2000;
constexpr ULONGLONG kResultWaitMs = 5000;
// Two ends of the same game tell the same players and a clock that moved
// little, if at all, in between.
constexpr double kSameGameSeconds = 5.0;

RecordEvent Nothing()
{
    return {RecordNews::None, GameOutcome::Tie, kRecordRaceCount};
}

RecordRace RaceOf(PlayerRace race)
{
    switch (race) {
    case PlayerRace::Terran:  return kVsTerran;
    case PlayerRace::Zerg:    return kVsZerg;
    case PlayerRace::Protoss: return kVsProtoss;
    case PlayerRace::Random:  return kVsRandom;
    case PlayerRace::Other:   break;
    }
    return kRecordRaceCount;
}

CountedGame CountedGameOf(const ClientApiGame& game)
{
    CountedGame counted = {};
    counted.any = true;
    counted.playerCount = game.playerCount;
    for (size_t i = 0; i < game.playerCount; ++i) {
        std::memcpy(counted.players[i], game.players[i].name, kClientApiNameBytes);
        counted.races[i] = game.players[i].race;
    }
    counted.displayTime = game.displayTime;
    return counted;
}

bool IsTheGameCountedLast(const RecordWatch& watch, const ClientApiGame& game)
{
    const CountedGame& last = watch.last;
    if (!last.any || watch.loadingSinceCount || last.playerCount != game.playerCount ||
        std::fabs(last.displayTime - game.displayTime) > kSameGameSeconds)
        return false;
    for (size_t i = 0; i < game.playerCount; ++i) {
        if (std::strcmp(last.players[i], game.players[i].name) != 0 || last.races[i] != game.players[i].race)
            return false;
    }
    return true;
}

// Players of the "user" type beside `user` (the user's index, or -1).
size_t OtherHumans(const ClientApiGame& game, int user)
{
    size_t humans = 0;
    for (size_t i = 0; i < game.playerCount; ++i) {
        if (int(i) != user && game.players[i].type == PlayerType::User)
            ++humans;
    }
    return humans;
}

RecordEvent GiveUp(RecordWatch* watch, RecordNews news)
{
    watch->resultWanted = false;
    return {news, GameOutcome::Tie, kRecordRaceCount};
}

} // namespace

bool FollowScreensForRecord(RecordWatch* watch, ClientApiScreens screens)
{
    if (screens == ClientApiScreens::Unreadable)
        return watch->resultWanted;
    if (screens == ClientApiScreens::Loading)
        watch->loadingSinceCount = true;
    if (screens == ClientApiScreens::MapOn) {
        // A new game on the map before the last one's result came: that
        // one's result is no longer to be had.
        watch->resultWanted = false;
        watch->mapOn = true;
        return false;
    }
    if (watch->mapOn) {
        watch->resultWanted = true;
        watch->wantedSince = GetTickCount64();
    }
    watch->mapOn = false;
    return watch->resultWanted;
}

RecordEvent FollowGameForRecord(RecordWatch* watch, const ClientApiGame* game, const wchar_t* names)
{
    if (!watch->resultWanted)
        return Nothing();
    const ULONGLONG waited = GetTickCount64() - watch->wantedSince;
    if (game == nullptr)
        return waited >= kAnswerWaitMs ? GiveUp(watch, RecordNews::Unreadable) : Nothing();
    if (game->isReplay || IsTheGameCountedLast(*watch, *game))
        return GiveUp(watch, RecordNews::None);
    const bool named = ArePlayerNamesSet(names);
    const int user = FindUserAmong(*game, names);
    // Without names the only human of a game against computers is the
    // user, and such a game does not count; with two humans or more, no
    // one can tell which is the user.
    if (!named)
        return GiveUp(watch, OtherHumans(*game, -1) >= 2 ? RecordNews::NamesNeeded : RecordNews::None);
    if (user == kUserAmongSeveral)
        return GiveUp(watch, RecordNews::NamesShared);
    if (user < 0 || OtherHumans(*game, user) == 0)
        return GiveUp(watch, RecordNews::None);
    GameOutcome outcome;
    switch (game->players[user].result) {
    case PlayerResult::Victory: outcome = GameOutcome::Victory; break;
    case PlayerResult::Defeat:  outcome = GameOutcome::Defeat; break;
    case PlayerResult::Tie:     outcome = GameOutcome::Tie; break;
    default:
        // Not decided yet, or a word the game never used before.
        return waited >= kResultWaitMs ? GiveUp(watch, RecordNews::Unreadable) : Nothing();
    }
    RecordRace versus = kRecordRaceCount;
    if (game->playerCount == 2)
        versus = RaceOf(game->players[user == 0 ? 1 : 0].race);
    watch->resultWanted = false;
    watch->loadingSinceCount = false;
    watch->last = CountedGameOf(*game);
    return {RecordNews::Counted, outcome, versus};
}

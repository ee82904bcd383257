#include "watch/client_api_watch.h"

#include "app/scene_settings.h"

namespace {

// Whether the answer of /game could change the scene shown for these
// screens: only when a scene is set for what it tells. Otherwise the
// screens alone decide, exactly as before /game was ever asked, and a game
// whose /game is slow or broken costs nothing.
bool NeedsGame(ClientApiScreens screens, const wchar_t* names)
{
    switch (screens) {
    case ClientApiScreens::MapOn:
        return IsSituationSceneSet(kReplayScene) ||
               (IsSituationSceneSet(kObservingScene) && ArePlayerNamesSet(names));
    case ClientApiScreens::Score:
        return IsSituationSceneSet(kVictoryScene) || IsSituationSceneSet(kDefeatScene);
    default:
        return false;
    }
}

Situation SituationOfGame(ClientApiScreens screens, const ClientApiGame& game, const wchar_t* names)
{
    return screens == ClientApiScreens::MapOn ? SituationOnMap(game, names) : SituationOnScore(game, names);
}

SituationSample Settle(ClientApiWatch* watch, ClientApiScreens screens, Situation situation)
{
    watch->settledScreens = screens;
    watch->settled = situation;
    watch->gameWantedSince = 0;
    return {true, situation};
}

} // namespace

void BeginClientApiWatch(ClientApiWatch* watch)
{
    watch->settledScreens = ClientApiScreens::Unreadable;
    watch->settled = Situation::None;
    watch->lastAnswerTick = GetTickCount64();
    watch->gameWantedSince = 0;
}

SituationSample SampleClientApi(ClientApiWatch* watch)
{
    const ULONGLONG start = GetTickCount64();
    const ClientApiScreens screens = AskClientApiScreens(&watch->link, start + kClientApiScreensBudgetMs);
    if (screens == ClientApiScreens::Unreadable)
        return {false, Situation::None};
    const ULONGLONG answered = GetTickCount64();
    watch->lastAnswerTick = answered;
    // The same screens as when the situation was settled tell nothing new:
    // /game is not asked again for them.
    if (watch->settled != Situation::None && screens == watch->settledScreens)
        return {true, watch->settled};
    wchar_t names[kPlayerNameListChars];
    CopyPlayerNames(names);
    if (!NeedsGame(screens, names))
        return Settle(watch, screens, SituationOfScreens(screens));
    ClientApiGame game;
    if (AskClientApiGame(&watch->link, start + kClientApiSampleBudgetMs, &game))
        return Settle(watch, screens, SituationOfGame(screens, game, names));
    // Who plays is not known yet: nothing changes until /game answers, or
    // until it has been waited for as long as a silent game would be.
    if (watch->gameWantedSince == 0 || watch->gameWantedFor != screens) {
        watch->gameWantedSince = answered;
        watch->gameWantedFor = screens;
    }
    if (answered - watch->gameWantedSince < kClientApiSilenceMs)
        return {false, Situation::None};
    return Settle(watch, screens, SituationOfScreens(screens));
}

bool HasClientApiFallenSilent(const ClientApiWatch& watch)
{
    return GetTickCount64() - watch.lastAnswerTick >= kClientApiSilenceMs;
}

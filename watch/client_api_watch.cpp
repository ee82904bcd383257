#include "watch/client_api_watch.h"

#include "settings/scene_fields.h"
#include "events/webhook.h"
#include "overlay/match_state.h"
#include "record/session_record.h"

namespace {

// Whether the answer of /game could change the scene shown for these
// screens: only when a scene is set for what it tells. Otherwise the
// screens alone decide, exactly as before /game was ever asked, and a game
// whose /game is slow or broken costs nothing.
bool SceneNeedsGame(ClientApiScreens screens, const wchar_t* names)
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

// Whether the overlay or the webhook wants to know who plays on these
// screens. They never decide a scene, so /game is asked for them after the
// sample's switch, never before it.
bool ShowWantsGame(ClientApiScreens screens)
{
    if (IsMatchWatched() && (screens == ClientApiScreens::MapOn || screens == ClientApiScreens::Loading ||
                             screens == ClientApiScreens::Score))
        return true;
    // The webhook tells of a game's start with its players.
    return IsWebhookOn() && screens == ClientApiScreens::MapOn;
}

Situation SituationOfGame(ClientApiScreens screens, const ClientApiGame& game, const wchar_t* names)
{
    switch (screens) {
    case ClientApiScreens::MapOn: return SituationOnMap(game, names);
    case ClientApiScreens::Score: return SituationOnScore(game, names);
    default:                      return SituationOfScreens(screens);
    }
}

void Settle(ClientApiWatch* watch, ClientApiScreens screens, Situation situation)
{
    watch->settledScreens = screens;
    watch->settled = situation;
    watch->gameWantedSince = 0;
}

// The situation once the screens are known, with /game's answer when it
// was asked for (null when it gave none); false while it is waited for.
bool SettleSituation(ClientApiWatch* watch, ClientApiScreens screens, bool gameNeeded, const ClientApiGame* game,
                     const wchar_t* names, ULONGLONG answered)
{
    if (!gameNeeded) {
        Settle(watch, screens, SituationOfScreens(screens));
        return true;
    }
    if (game != nullptr) {
        Settle(watch, screens, SituationOfGame(screens, *game, names));
        return true;
    }
    // Who plays is not known yet: nothing changes until /game answers, or
    // until it has been waited for as long as a silent game would be.
    if (watch->gameWantedSince == 0 || watch->gameWantedFor != screens) {
        watch->gameWantedSince = answered;
        watch->gameWantedFor = screens;
    }
    if (answered - watch->gameWantedSince < kClientApiSilenceMs)
        return false;
    Settle(watch, screens, SituationOfScreens(screens));
    return true;
}

} // namespace

void BeginClientApiWatch(ClientApiWatch* watch)
{
    watch->settledScreens = ClientApiScreens::Unreadable;
    watch->settled = Situation::None;
    watch->lastAnswerTick = GetTickCount64();
    watch->gameWantedSince = 0;
    watch->showWantsGame = false;
    watch->showAsked = false;
}

SituationSample SampleClientApi(ClientApiWatch* watch)
{
    SituationSample sample = {false, Situation::None, {RecordNews::None, GameOutcome::Tie, kRecordRaceCount}, false,
                              false};
    const ULONGLONG start = GetTickCount64();
    watch->sampleStart = start;
    const ClientApiScreens screens = AskClientApiScreens(&watch->link, start + kClientApiScreensBudgetMs);
    if (screens == ClientApiScreens::Unreadable)
        return sample;
    const ULONGLONG answered = GetTickCount64();
    watch->lastAnswerTick = answered;
    wchar_t names[kPlayerNameListChars];
    CopyPlayerNames(names);
    // The same screens as when the situation was settled tell nothing new:
    // /game is not asked again for them, unless the record wants the result
    // of the game whose map just went off.
    // The webhook hears of a game's end when the record would count it,
    // kept or not; a record not kept counts nothing all the same.
    const bool recordKept = IsRecordKept();
    const bool resultWanted = (recordKept || IsWebhookOn()) && FollowScreensForRecord(&watch->record, screens);
    const bool unsettled = watch->settled == Situation::None || screens != watch->settledScreens;
    const bool situationNeedsGame = unsettled && SceneNeedsGame(screens, names);
    ClientApiGame game;
    const bool gameRead = (situationNeedsGame || resultWanted) &&
                          AskClientApiGame(&watch->link, start + kClientApiSampleBudgetMs, &game);
    if (resultWanted)
        sample.record = FollowGameForRecord(&watch->record, gameRead ? &game : nullptr, names);
    if (sample.record.news == RecordNews::Counted) {
        sample.gameEnded = true;
        watch->newsGame = game;
    }
    if (!recordKept)
        sample.record = {RecordNews::None, GameOutcome::Tie, kRecordRaceCount};
    // The last games are kept while the overlay shows them: with it off,
    // nothing more is stored than before it existed.
    if (sample.record.news == RecordNews::Counted && IsMatchWatched())
        AddLastGame(game, names);
    if (unsettled && !SettleSituation(watch, screens, situationNeedsGame, gameRead ? &game : nullptr, names, answered))
        return sample;
    if (unsettled) {
        ShowMatch(watch->settled, gameRead ? &game : nullptr, names);
        // Asked again at each sample until it answers or the screens change.
        watch->showWantsGame = !gameRead && ShowWantsGame(screens);
        watch->showAsked = false;
    }
    if (unsettled && gameRead && screens == ClientApiScreens::MapOn &&
        SituationOfGame(screens, game, names) == Situation::Playing) {
        sample.gameStarted = true;
        watch->newsGame = game;
    }
    sample.answered = true;
    sample.situation = watch->settled;
    return sample;
}

bool LearnPlayersForShow(ClientApiWatch* watch)
{
    if (!watch->showWantsGame)
        return false;
    // The first ask, right after the switch, has a budget of its own, so a
    // short map is not missed; asks again are within what is left of the
    // sample's budget, so the loop keeps its pace while /game is slow.
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG deadline =
        watch->showAsked ? watch->sampleStart + kClientApiSampleBudgetMs : now + kClientApiSampleBudgetMs;
    watch->showAsked = true;
    ClientApiGame game;
    if (now >= deadline || !AskClientApiGame(&watch->link, deadline, &game))
        return false;
    watch->showWantsGame = false;
    wchar_t names[kPlayerNameListChars];
    CopyPlayerNames(names);
    const Situation shown = SituationOfGame(watch->settledScreens, game, names);
    ShowMatch(shown, &game, names);
    if (watch->settledScreens != ClientApiScreens::MapOn || shown != Situation::Playing)
        return false;
    watch->newsGame = game;
    return true;
}

bool HasClientApiFallenSilent(const ClientApiWatch& watch)
{
    return GetTickCount64() - watch.lastAnswerTick >= kClientApiSilenceMs;
}

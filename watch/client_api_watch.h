// One sample of the game's client API, and what the worker keeps between
// samples: the situation last settled, and when the game last answered.
// /game is asked only when the map comes on or the score screen comes, and
// only when a scene set for that moment depends on its answer; a game that
// answers late or not at all changes nothing until it has been silent for
// kClientApiSilenceMs. The overlay and the webhook, which decide no scene,
// have it asked after the switch (LearnPlayersForShow).
#pragma once
#include <windows.h>

#include "watch/client_api_probe.h"
#include "record/record_watch.h"
#include "watch/situation.h"

// How long the game's API may stay silent before the game counts as gone;
// also how long a needed /game is waited for before the screens alone decide.
constexpr DWORD kClientApiSilenceMs = 2000;

// The most one sample may take, /ui and /game together: less than the
// sampling period, so the loop keeps its pace however slowly the game
// answers. /ui alone has kClientApiScreensBudgetMs of it.
constexpr DWORD kClientApiSampleBudgetMs = 90;
constexpr DWORD kClientApiScreensBudgetMs = 50;

struct ClientApiWatch {
    ClientApiLink link;
    ClientApiScreens settledScreens;  // the screens the settled situation was read from
    Situation settled;                // None until the first answer of a watch phase
    ULONGLONG lastAnswerTick;         // when /ui last answered
    ULONGLONG gameWantedSince;        // when a needed /game was first asked for in vain; 0: not waiting
    ClientApiScreens gameWantedFor;   // the screens it was wanted for
    bool showWantsGame;               // the overlay or the webhook waits to hear who plays on the settled screens
    bool showAsked;                   // /game was asked for them once already
    ULONGLONG sampleStart;            // when the last sample began
    // For the record, kept from one watch phase to the next: a game whose
    // map went off while the game was not heard still counts.
    RecordWatch record;
    // The /game answer the last sample's game news tells of (worker only).
    ClientApiGame newsGame;
};

// At the start of each watch phase: nothing settled, the game just heard.
void BeginClientApiWatch(ClientApiWatch* watch);

struct SituationSample {
    bool answered;        // false: the sample changes nothing
    Situation situation;  // when answered
    RecordEvent record;   // whether a game is to be counted, or could not be
    // The game events: the user's game came on the map with its players
    // known, or its result was decided (counted too if the record is
    // kept); the game is the watch's newsGame.
    bool gameStarted;
    bool gameEnded;
};
SituationSample SampleClientApi(ClientApiWatch* watch);

// After the sample's switch: asks /game for the overlay and the webhook
// when they wait to hear who plays (again at each sample until it answers
// or the screens change). True when the user's game has just come on the
// map with its players known: the game is the watch's newsGame.
bool LearnPlayersForShow(ClientApiWatch* watch);

// Whether the game has not answered for kClientApiSilenceMs.
bool HasClientApiFallenSilent(const ClientApiWatch& watch);

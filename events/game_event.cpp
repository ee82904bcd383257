#include "events/game_event.h"

#include <cJSON.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// "12:04", or "1:02:03" for a game of an hour or more.
std::string LengthText(double seconds)
{
    const unsigned long whole = static_cast<unsigned long>(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lu:%02lu:%02lu", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
    return text;
}

std::string NameWithRace(const MatchPlayer& player)
{
    const std::string race = PlayerRaceWord(player.race);
    return race.empty() ? std::string(player.name) : std::string(player.name) + " (" + race + ")";
}

// "A", "A and B", "A, B and C".
std::string Listed(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string StartSentence(const GameEvent& event)
{
    std::vector<std::string> others;
    for (size_t i = 1; i < event.playerCount; ++i)
        others.push_back(NameWithRace(event.players[i]));
    std::string text = NameWithRace(event.players[0]);
    for (size_t i = 0; i < others.size(); ++i)
        text += (i == 0 ? " vs " : ", ") + others[i];
    return text + ": the game has begun.";
}

const char* EndVerb(PlayerResult result, bool againstSomeone)
{
    switch (result) {
    case PlayerResult::Victory: return againstSomeone ? " won against " : " won";
    case PlayerResult::Defeat:  return againstSomeone ? " lost against " : " lost";
    case PlayerResult::Tie:     return againstSomeone ? " tied with " : " tied";
    case PlayerResult::Undecided:
    case PlayerResult::Other:   break;
    }
    return againstSomeone ? " played against " : " played";
}

std::string EndSentence(const GameEvent& event)
{
    // Those who share the user's win or loss played beside the user.
    std::vector<std::string> side = {event.players[0].name};
    std::vector<std::string> opponents;
    const bool sides = event.result == PlayerResult::Victory || event.result == PlayerResult::Defeat;
    for (size_t i = 1; i < event.playerCount; ++i) {
        if (sides && event.players[i].result == event.result)
            side.push_back(event.players[i].name);
        else
            opponents.push_back(NameWithRace(event.players[i]));
    }
    std::string text = Listed(side) + EndVerb(event.result, !opponents.empty()) + Listed(opponents);
    if (event.seconds >= 0)
        text += " in " + LengthText(event.seconds);
    text += ".";
    if (event.recordKept && event.recordText[0] != '\0')
        text += std::string(" Record: ") + event.recordText + ".";
    return text;
}

bool AddText(cJSON* object, const char* name, const char* text)
{
    return cJSON_AddStringToObject(object, name, text) != nullptr;
}

bool AddResult(cJSON* root, const GameEvent& event)
{
    const char* word = event.kind == GameEventKind::End ? PlayerResultWord(event.result) : "";
    return word[0] != '\0' ? AddText(root, "result", word) : cJSON_AddNullToObject(root, "result") != nullptr;
}

bool AddRecord(cJSON* root, const GameEvent& event)
{
    if (!event.recordKept)
        return cJSON_AddNullToObject(root, "record") != nullptr;
    cJSON* record = cJSON_AddObjectToObject(root, "record");
    return record != nullptr && cJSON_AddNumberToObject(record, "wins", event.counts.wins) != nullptr &&
           cJSON_AddNumberToObject(record, "losses", event.counts.losses) != nullptr &&
           cJSON_AddNumberToObject(record, "ties", event.counts.ties) != nullptr &&
           AddText(record, "text", event.recordText);
}

bool AddDuration(cJSON* root, const GameEvent& event)
{
    if (event.kind != GameEventKind::End || event.seconds < 0)
        return cJSON_AddNullToObject(root, "duration") != nullptr;
    return cJSON_AddNumberToObject(root, "duration", double(static_cast<unsigned long>(event.seconds))) != nullptr;
}

} // namespace

void TakeEventPlayers(const ClientApiGame& game, int user, GameEvent* event)
{
    event->playerCount = TakeMatchPlayers(game, user, event->players);
}

std::string GameEventSentence(const GameEvent& event)
{
    if (event.playerCount == 0)
        return "";
    return event.kind == GameEventKind::Start ? StartSentence(event) : EndSentence(event);
}

std::string GameEventJson(const GameEvent& event)
{
    Json root(cJSON_CreateObject());
    const char* kind = event.kind == GameEventKind::Start ? "game-start" : "game-end";
    const std::string content = GameEventSentence(event);
    if (root == nullptr || !AddText(root.get(), "event", kind) ||
        !AddPlayersJson(root.get(), "players", event.players, event.playerCount) || !AddResult(root.get(), event) || !AddRecord(root.get(), event) || !AddDuration(root.get(), event) ||
        !AddText(root.get(), "content", content.c_str()))
        return std::string();
    char* text = cJSON_PrintUnformatted(root.get());
    std::string json = text != nullptr ? text : "";
    cJSON_free(text);
    return json;
}

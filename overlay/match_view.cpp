#include "overlay/match_view.h"

#include <cJSON.h>

#include <cstring>
#include <memory>

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// What the game writes into a name, and what a person reads there.
struct NameMarkup {
    const char* written;
    char read;
};
constexpr NameMarkup kNameMarkup[] = {
    {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"<sp/>", ' '},
};

bool AddText(cJSON* object, const char* name, const char* text)
{
    return cJSON_AddStringToObject(object, name, text) != nullptr;
}

bool AddNumber(cJSON* object, const char* name, double number)
{
    return cJSON_AddNumberToObject(object, name, number) != nullptr;
}

bool AddRecord(cJSON* root, const MatchView& view)
{
    cJSON* record = cJSON_AddObjectToObject(root, "record");
    return record != nullptr && AddNumber(record, "wins", view.counts.wins) &&
           AddNumber(record, "losses", view.counts.losses) && AddNumber(record, "ties", view.counts.ties) &&
           AddText(record, "text", view.recordText);
}

bool AddPlayers(cJSON* root, const MatchView& view)
{
    cJSON* match = cJSON_AddObjectToObject(root, "match");
    cJSON* players = match != nullptr ? cJSON_AddArrayToObject(match, "players") : nullptr;
    if (players == nullptr)
        return false;
    for (size_t i = 0; i < view.playerCount && i < kClientApiMostPlayers; ++i) {
        const MatchPlayer& player = view.players[i];
        cJSON* item = cJSON_CreateObject();
        if (item == nullptr || !cJSON_AddItemToArray(players, item)) {
            cJSON_Delete(item);
            return false;
        }
        if (!AddText(item, "name", player.name) || !AddText(item, "race", PlayerRaceWord(player.race)) ||
            !AddText(item, "type", PlayerTypeWord(player.type)) ||
            cJSON_AddBoolToObject(item, "isUser", player.isUser) == nullptr ||
            !AddText(item, "result", PlayerResultWord(player.result)))
            return false;
    }
    return true;
}

bool AddGames(cJSON* root, const MatchView& view)
{
    cJSON* games = cJSON_AddArrayToObject(root, "games");
    if (games == nullptr)
        return false;
    for (size_t i = 0; i < view.gameCount && i < kLastGamesKept; ++i) {
        const LastGame& game = view.games[i];
        cJSON* item = cJSON_CreateObject();
        if (item == nullptr || !cJSON_AddItemToArray(games, item)) {
            cJSON_Delete(item);
            return false;
        }
        if (!AddText(item, "opponent", game.opponent) || !AddText(item, "race", PlayerRaceWord(game.race)) ||
            !AddText(item, "result", PlayerResultWord(game.result)) || !AddNumber(item, "seconds", game.seconds))
            return false;
    }
    return true;
}

} // namespace

const char* PlayerRaceWord(PlayerRace race)
{
    switch (race) {
    case PlayerRace::Terran:  return "Terran";
    case PlayerRace::Zerg:    return "Zerg";
    case PlayerRace::Protoss: return "Protoss";
    case PlayerRace::Random:  return "Random";
    case PlayerRace::Other:   break;
    }
    return "";
}

const char* PlayerTypeWord(PlayerType type)
{
    switch (type) {
    case PlayerType::User:     return "user";
    case PlayerType::Computer: return "computer";
    case PlayerType::Other:    break;
    }
    return "";
}

const char* PlayerResultWord(PlayerResult result)
{
    switch (result) {
    case PlayerResult::Victory: return "Victory";
    case PlayerResult::Defeat:  return "Defeat";
    case PlayerResult::Tie:     return "Tie";
    case PlayerResult::Undecided:
    case PlayerResult::Other:   break;
    }
    return "";
}

void ReadablePlayerName(const char* gameName, char (&out)[kMatchNameBytes])
{
    size_t written = 0;
    for (const char* at = gameName; *at != '\0';) {
        char c = *at;
        size_t taken = 1;
        for (const NameMarkup& markup : kNameMarkup) {
            const size_t length = std::strlen(markup.written);
            if (std::strncmp(at, markup.written, length) == 0) {
                c = markup.read;
                taken = length;
                break;
            }
        }
        if (written + 1 >= kMatchNameBytes)
            break;
        out[written++] = c;
        at += taken;
    }
    // A UTF-8 sequence cut at the end is dropped whole.
    if (written + 1 >= kMatchNameBytes) {
        size_t start = written;
        while (start > 0 && (static_cast<unsigned char>(out[start - 1]) & 0xC0) == 0x80)
            --start;
        if (start > 0 && (static_cast<unsigned char>(out[start - 1]) & 0x80) != 0) {
            const unsigned char lead = static_cast<unsigned char>(out[start - 1]);
            const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (written - (start - 1) < need)
                written = start - 1;
        }
    }
    out[written] = '\0';
}

std::string MatchStateJson(const MatchView& view)
{
    Json root(cJSON_CreateObject());
    if (root == nullptr || !AddText(root.get(), "situation", view.situation) || !AddRecord(root.get(), view) ||
        !AddPlayers(root.get(), view) || !AddGames(root.get(), view))
        return std::string();
    char* text = cJSON_PrintUnformatted(root.get());
    std::string json = text != nullptr ? text : "";
    cJSON_free(text);
    return json;
}

#include "overlay/match_view.h"

#include <cJSON.h>

#include <algorithm>
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

// One character of a name as it is shown: at most a UTF-8 sequence.
struct NamePiece {
    char bytes[4];
    size_t length;
};

// U+FFFD, what a person sees for bytes that are no UTF-8.
constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char byte, unsigned char lowest = 0x80, unsigned char highest = 0xBF)
{
    return byte >= lowest && byte <= highest;
}

// How many bytes at `at` make a well-formed UTF-8 sequence (shortest form,
// no surrogates, nothing above U+10FFFF), or as `*valid` false how many
// begin one that breaks off: those are shown as one U+FFFD, as a browser
// would, so that no byte that is no UTF-8 reaches the JSON.
size_t Utf8SequenceAt(const char* at, bool* valid)
{
    const auto byte = [at](size_t i) { return static_cast<unsigned char>(at[i]); };
    const unsigned char lead = byte(0);
    *valid = true;
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char lowest = 0x80, highest = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = lead == 0xE0 ? 0xA0 : 0x80;
        highest = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = lead == 0xF0 ? 0x90 : 0x80;
        highest = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        *valid = false;
        return 1;
    }
    // The terminator is no continuation: nothing past it is read.
    if (!IsContinuation(byte(1), lowest, highest)) {
        *valid = false;
        return 1;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            *valid = false;
            return i;
        }
    }
    return length;
}

// The piece of the name at `at` (not its end) and how many bytes it takes.
size_t ReadNamePiece(const char* at, NamePiece* piece)
{
    for (const NameMarkup& markup : kNameMarkup) {
        const size_t length = std::strlen(markup.written);
        if (std::strncmp(at, markup.written, length) == 0) {
            piece->bytes[0] = markup.read;
            piece->length = 1;
            return length;
        }
    }
    bool valid = false;
    const size_t taken = Utf8SequenceAt(at, &valid);
    const char* bytes = valid ? at : kReplacement;
    piece->length = valid ? taken : sizeof kReplacement - 1;
    std::memcpy(piece->bytes, bytes, piece->length);
    return taken;
}

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
    return match != nullptr && AddPlayersJson(match, "players", view.players, view.playerCount);
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

MatchPlayer MatchPlayerOf(const ClientApiPlayer& player, bool isUser)
{
    MatchPlayer shown = {};
    ReadablePlayerName(player.name, shown.name);
    shown.type = player.type;
    shown.race = player.race;
    shown.result = player.result;
    shown.isUser = isUser;
    return shown;
}

} // namespace

size_t TakeMatchPlayers(const ClientApiGame& game, int user, MatchPlayer (&players)[kClientApiMostPlayers])
{
    const size_t count = std::min(game.playerCount, kClientApiMostPlayers);
    size_t taken = 0;
    if (user >= 0 && size_t(user) < count)
        players[taken++] = MatchPlayerOf(game.players[user], true);
    for (size_t i = 0; i < count; ++i) {
        if (int(i) != user)
            players[taken++] = MatchPlayerOf(game.players[i], false);
    }
    return taken;
}

bool AddPlayersJson(cJSON* parent, const char* name, const MatchPlayer* players, size_t count)
{
    cJSON* array = cJSON_AddArrayToObject(parent, name);
    if (array == nullptr)
        return false;
    for (size_t i = 0; i < count && i < kClientApiMostPlayers; ++i) {
        const MatchPlayer& player = players[i];
        cJSON* item = cJSON_CreateObject();
        if (item == nullptr || !cJSON_AddItemToArray(array, item)) {
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
        NamePiece piece;
        const size_t taken = ReadNamePiece(at, &piece);
        // Whole characters only: the name is cut where one ends.
        if (written + piece.length >= kMatchNameBytes)
            break;
        std::memcpy(out + written, piece.bytes, piece.length);
        written += piece.length;
        at += taken;
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

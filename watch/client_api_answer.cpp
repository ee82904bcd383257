#include "watch/client_api_answer.h"

#include <cJSON.h>

#include <cstring>

namespace {

bool IsJsonBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// cJSON takes every byte below 0x20 for a blank, between tokens and inside
// strings alike; JSON allows none there but its four blanks outside
// strings. A body with another control byte is not JSON.
bool HoldsOnlyJsonControls(const char* body, size_t size)
{
    bool inString = false;
    bool escaped = false;
    for (size_t i = 0; i < size; ++i) {
        const char c = body[i];
        if (static_cast<unsigned char>(c) < 0x20 && (inString || !IsJsonBlank(c)))
            return false;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        }
    }
    return true;
}

// cJSON stops at the end of the first value; anything but blanks after it
// means the body is not one JSON text.
bool OnlyBlanksFollow(const char* from, const char* end)
{
    for (const char* c = from; c < end; ++c) {
        if (!IsJsonBlank(*c))
            return false;
    }
    return true;
}

// Whether the first byte that is not a blank opens an object. cJSON would
// also step over a byte-order mark there.
bool OpensAnObject(const char* body, size_t size)
{
    size_t first = 0;
    while (first < size && IsJsonBlank(body[first]))
        ++first;
    return first < size && body[first] == '{';
}

// The body as one JSON object, or null; the caller deletes it.
cJSON* ParseOneObject(const char* body, size_t size)
{
    if (body == nullptr || size == 0 || size > kClientApiAnswerLimitBytes || !HoldsOnlyJsonControls(body, size) ||
        !OpensAnObject(body, size))
        return nullptr;
    const char* parseEnd = nullptr;
    cJSON* root = cJSON_ParseWithLengthOpts(body, size, &parseEnd, false);
    if (root == nullptr || parseEnd == nullptr || !OnlyBlanksFollow(parseEnd, body + size) || !cJSON_IsObject(root)) {
        cJSON_Delete(root);
        return nullptr;
    }
    return root;
}

bool IsScreen(const cJSON* item, const char* name)
{
    return cJSON_IsString(item) && item->valuestring != nullptr && std::strcmp(item->valuestring, name) == 0;
}

// The text of a string member, or null.
const char* TextOf(const cJSON* object, const char* member)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, member);
    return cJSON_IsString(item) ? item->valuestring : nullptr;
}

template <typename Value>
struct Word {
    const char* text;
    Value value;
};

// One member's text against a table of the words the game uses.
template <typename Value, size_t N>
Value WordOf(const cJSON* object, const char* member, const Word<Value> (&words)[N])
{
    const char* text = TextOf(object, member);
    if (text != nullptr) {
        for (const Word<Value>& word : words) {
            if (std::strcmp(text, word.text) == 0)
                return word.value;
        }
    }
    return Value::Other;
}

constexpr Word<PlayerType> kTypes[] = {{"user", PlayerType::User}, {"computer", PlayerType::Computer}};
constexpr Word<PlayerRace> kRaces[] = {{"Terr", PlayerRace::Terran},
                                       {"Zerg", PlayerRace::Zerg},
                                       {"Prot", PlayerRace::Protoss},
                                       {"random", PlayerRace::Random}};
constexpr Word<PlayerResult> kResults[] = {{"Undecided", PlayerResult::Undecided},
                                           {"Victory", PlayerResult::Victory},
                                           {"Defeat", PlayerResult::Defeat},
                                           {"Tie", PlayerResult::Tie}};

void ReadPlayer(const cJSON* object, ClientApiPlayer* player)
{
    player->name[0] = '\0';
    const char* name = TextOf(object, "name");
    // A name too long to keep whole is kept not at all: a cut one could
    // match someone else.
    if (name != nullptr && std::strlen(name) < kClientApiNameBytes)
        std::memcpy(player->name, name, std::strlen(name) + 1);
    player->type = WordOf(object, "type", kTypes);
    player->race = WordOf(object, "race", kRaces);
    player->result = WordOf(object, "result", kResults);
}

} // namespace

ClientApiScreens ReadClientApiScreens(const char* body, size_t size)
{
    cJSON* root = ParseOneObject(body, size);
    ClientApiScreens screens = ClientApiScreens::Unreadable;
    const cJSON* active = root != nullptr ? cJSON_GetObjectItemCaseSensitive(root, "activeScreens") : nullptr;
    if (cJSON_IsArray(active)) {
        bool loading = false;
        bool score = false;
        const cJSON* item = nullptr;
        cJSON_ArrayForEach(item, active)
        {
            loading = loading || IsScreen(item, "ScreenLoading/ScreenLoading");
            score = score || IsScreen(item, "ScreenScore/ScreenScore");
        }
        // A game that loads while the last one's score is still listed is
        // the new game's loading screen.
        screens = active->child == nullptr ? ClientApiScreens::MapOn
                  : loading               ? ClientApiScreens::Loading
                  : score                 ? ClientApiScreens::Score
                                          : ClientApiScreens::Menus;
    }
    cJSON_Delete(root);
    return screens;
}

bool ReadClientApiGame(const char* body, size_t size, ClientApiGame* game)
{
    cJSON* root = ParseOneObject(body, size);
    if (root == nullptr)
        return false;
    const cJSON* isReplay = cJSON_GetObjectItemCaseSensitive(root, "isReplay");
    const cJSON* players = cJSON_GetObjectItemCaseSensitive(root, "players");
    bool read = cJSON_IsBool(isReplay) && cJSON_IsArray(players);
    if (read) {
        game->isReplay = cJSON_IsTrue(isReplay);
        const cJSON* displayTime = cJSON_GetObjectItemCaseSensitive(root, "displayTime");
        game->displayTime = cJSON_IsNumber(displayTime) ? displayTime->valuedouble : -1;
        game->playerCount = 0;
        const cJSON* player = nullptr;
        cJSON_ArrayForEach(player, players)
        {
            if (!cJSON_IsObject(player) || game->playerCount == kClientApiMostPlayers) {
                read = false;
                break;
            }
            ReadPlayer(player, &game->players[game->playerCount++]);
        }
    }
    cJSON_Delete(root);
    return read;
}

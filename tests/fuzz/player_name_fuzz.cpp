// Any name an opponent could be given, through the overlay's reader of
// names and into its JSON. The first byte picks how the rest comes: as the
// name's bytes themselves, as the text of the name in the game's /game
// answer, or as UTF-16 units that the answer writes as \u escapes (cJSON
// turns those into UTF-8 before the reader sees them). Besides the
// sanitizers' reports it checks what a page and a bot rely on: the name is
// terminated and bounded, valid UTF-8 whatever came in, the game's markup
// read once and nothing else changed (so no "&lt;" is left where one was to
// be read), cut only where a character ends, and the JSON gives it back as
// it stands.
#include <cJSON.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "overlay/match_view.h"

namespace {

constexpr size_t kNameLimit = kMatchNameBytes - 1;

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
size_t SequenceAt(const std::string& text, size_t at)
{
    const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        point = point << 6 | (byte(at + i) & 0x3F);
    }
    const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

bool IsValidUtf8(const std::string& text)
{
    for (size_t at = 0; at < text.size();) {
        const size_t length = SequenceAt(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

// The game's markup read as a person reads it, without any bound: the
// reader's result must be this, or a piece of it cut at a character's end.
std::string ReadMarkup(const std::string& name)
{
    static const char* const kWritten[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;", "<sp/>"};
    static const char kRead[] = {'<', '>', '&', '"', '\'', ' '};
    std::string read;
    for (size_t at = 0; at < name.size();) {
        size_t which = 0;
        while (which < 6 && name.compare(at, std::strlen(kWritten[which]), kWritten[which]) != 0)
            ++which;
        if (which < 6) {
            read += kRead[which];
            at += std::strlen(kWritten[which]);
        } else {
            read += name[at++];
        }
    }
    return read;
}

// The name as the game's /game answer gives it, or false when the answer
// made of these bytes is not one (a name the reader then never sees).
bool NameFromAnswer(const std::string& jsonText, std::string* name)
{
    const std::string body = R"({"isReplay": false, "players": [{"name": ")" + jsonText +
                             R"(", "type": "user", "race": "Zerg", "result": "Undecided"}]})";
    ClientApiGame game;
    if (!ReadClientApiGame(body.data(), body.size(), &game) || game.playerCount != 1)
        return false;
    *name = game.players[0].name;
    return true;
}

std::string Utf16Escapes(const uint8_t* data, size_t size)
{
    static const char kHex[] = "0123456789abcdef";
    std::string escaped;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const unsigned unit = data[i] | unsigned(data[i + 1]) << 8;
        escaped += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            escaped += kHex[(unit >> shift) & 0xF];
    }
    return escaped;
}

void CheckJson(const char* shown)
{
    MatchView view = {};
    view.situation = "playing";
    view.playerCount = 1;
    std::memcpy(view.players[0].name, shown, kMatchNameBytes);
    view.gameCount = 1;
    std::memcpy(view.games[0].opponent, shown, kMatchNameBytes);
    const std::string json = MatchStateJson(view);
    if (json.empty() || !IsValidUtf8(json))
        std::abort();
    cJSON* root = cJSON_ParseWithLength(json.data(), json.size());
    const cJSON* match = cJSON_GetObjectItemCaseSensitive(root, "match");
    const cJSON* player = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(match, "players"), 0);
    const cJSON* game = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(root, "games"), 0);
    const char* name = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(player, "name"));
    const char* opponent = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(game, "opponent"));
    const bool same = name != nullptr && opponent != nullptr && std::strcmp(name, shown) == 0 &&
                      std::strcmp(opponent, shown) == 0;
    cJSON_Delete(root);
    if (!same)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string name;
    switch (data[0] % 3) {
    case 0:
        name = rest.substr(0, rest.find('\0'));
        break;
    case 1:
        if (!NameFromAnswer(rest, &name))
            return 0;
        break;
    default:
        if (!NameFromAnswer(Utf16Escapes(data + 1, size - 1), &name))
            return 0;
        break;
    }
    // Exactly as long as the name, so that a read past its end is seen.
    std::unique_ptr<char[]> gameName(new char[name.size() + 1]);
    std::memcpy(gameName.get(), name.c_str(), name.size() + 1);
    char shown[kMatchNameBytes];
    std::memset(shown, 0x5A, sizeof shown);
    ReadablePlayerName(gameName.get(), shown);
    if (std::memchr(shown, '\0', sizeof shown) == nullptr)
        std::abort();
    const std::string read(shown);
    // Each piece of markup is read as one character, and each byte that is
    // no UTF-8 as one U+FFFD of three.
    if (read.size() > kNameLimit || read.size() > 3 * name.size() || !IsValidUtf8(read))
        std::abort();
    if (IsValidUtf8(name)) {
        const std::string whole = ReadMarkup(name);
        if (read.size() > name.size() || whole.compare(0, read.size(), read) != 0)
            std::abort();
        // Cut only when the next character does not fit.
        if (read.size() < whole.size() && read.size() + SequenceAt(whole, read.size()) <= kNameLimit)
            std::abort();
    }
    CheckJson(shown);
    return 0;
}

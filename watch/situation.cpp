// Who the user is among the players the game lists, and what that makes of
// the map and of the score screen.
//
// With a clan tag the game's client API names a player "&lt;TAG&gt;<sp/>Name"
// (the tag in angle brackets, escaped, and a space written as markup); a
// streamer types "Name", or copies the tag as the game shows it,
// "<TAG> Name" or "[TAG] Name". Both sides are cut to the name behind any
// such tag before they are compared, so every spelling matches.
#include "watch/situation.h"

#include <cwchar>

namespace {

constexpr wchar_t kNameSeparator = L';';

// A name as the game sends it, in UTF-16: at most as many units as bytes.
constexpr int kNameUnits = int(kClientApiNameBytes);

struct TextSpan {
    const wchar_t* start;
    size_t length;
};

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\u00A0';
}

TextSpan Trimmed(TextSpan span)
{
    while (span.length > 0 && IsBlank(span.start[0])) {
        ++span.start;
        --span.length;
    }
    while (span.length > 0 && IsBlank(span.start[span.length - 1]))
        --span.length;
    return span;
}

bool StartsWith(TextSpan span, const wchar_t* prefix)
{
    const size_t length = std::wcslen(prefix);
    return span.length >= length && std::wmemcmp(span.start, prefix, length) == 0;
}

// Where `what` next occurs in the span from `from` on, or span.length.
size_t Find(TextSpan span, const wchar_t* what, size_t from)
{
    const size_t length = std::wcslen(what);
    for (size_t i = from; i + length <= span.length; ++i) {
        if (std::wmemcmp(span.start + i, what, length) == 0)
            return i;
    }
    return span.length;
}

// Where `what` last occurs in the span, or span.length.
size_t FindLast(TextSpan span, const wchar_t* what)
{
    const size_t length = std::wcslen(what);
    for (size_t i = span.length; i >= length; --i) {
        if (std::wmemcmp(span.start + i - length, what, length) == 0)
            return i - length;
    }
    return span.length;
}

TextSpan After(TextSpan span, size_t end)
{
    return {span.start + end, span.length - end};
}

// The name behind a clan tag: after the last "<sp/>" if there is one, else
// after a leading tag in escaped angle brackets, angle brackets or square
// brackets. Player names have neither brackets nor markup of their own.
TextSpan NameCore(TextSpan name)
{
    name = Trimmed(name);
    constexpr wchar_t kMarkupSpace[] = L"<sp/>";
    const size_t space = FindLast(name, kMarkupSpace);
    if (space < name.length)
        return Trimmed(After(name, space + std::wcslen(kMarkupSpace)));
    struct Brackets {
        const wchar_t* open;
        const wchar_t* close;
    };
    const Brackets kTags[] = {{L"&lt;", L"&gt;"}, {L"<", L">"}, {L"[", L"]"}};
    for (const Brackets& tag : kTags) {
        if (!StartsWith(name, tag.open))
            continue;
        const size_t close = Find(name, tag.close, std::wcslen(tag.open));
        if (close < name.length)
            return Trimmed(After(name, close + std::wcslen(tag.close)));
    }
    return name;
}

bool SameName(TextSpan a, TextSpan b)
{
    return a.length > 0 && b.length > 0 &&
           CompareStringOrdinal(a.start, int(a.length), b.start, int(b.length), TRUE) == CSTR_EQUAL;
}

// Calls `visit` with the core of each typed name until it returns true.
template <typename Visit>
bool AnyTypedName(const wchar_t* names, Visit visit)
{
    const size_t total = wcsnlen(names, kPlayerNameListChars - 1);
    size_t begin = 0;
    while (begin <= total) {
        size_t end = begin;
        while (end < total && names[end] != kNameSeparator)
            ++end;
        const TextSpan core = NameCore({names + begin, end - begin});
        if (core.length > 0 && visit(core))
            return true;
        begin = end + 1;
    }
    return false;
}

// The one human of a game against computers, or -1.
int OnlyHumanAgainstComputers(const ClientApiGame& game)
{
    int human = -1;
    for (size_t i = 0; i < game.playerCount; ++i) {
        switch (game.players[i].type) {
        case PlayerType::User:
            if (human >= 0)
                return -1;
            human = int(i);
            break;
        case PlayerType::Computer:
            break;
        case PlayerType::Other:
            return -1;
        }
    }
    return human;
}

} // namespace

bool ArePlayerNamesSet(const wchar_t* names)
{
    return AnyTypedName(names, [](TextSpan) { return true; });
}

bool IsOneOfPlayerNames(const char* gameName, const wchar_t* names)
{
    wchar_t wide[kNameUnits];
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, gameName, -1, wide, kNameUnits);
    if (units <= 1)
        return false;
    const TextSpan core = NameCore({wide, size_t(units - 1)});
    return AnyTypedName(names, [&](TextSpan typed) { return SameName(core, typed); });
}

int FindUserAmong(const ClientApiGame& game, const wchar_t* names)
{
    if (!ArePlayerNamesSet(names))
        return OnlyHumanAgainstComputers(game);
    int user = -1;
    for (size_t i = 0; i < game.playerCount; ++i) {
        if (!IsOneOfPlayerNames(game.players[i].name, names))
            continue;
        if (user >= 0)
            return kUserAmongSeveral;
        user = int(i);
    }
    return user;
}

Situation SituationOnMap(const ClientApiGame& game, const wchar_t* names)
{
    if (game.isReplay)
        return Situation::Replay;
    // Without names every game is the user's own, as it always was.
    if (!ArePlayerNamesSet(names) || FindUserAmong(game, names) != -1)
        return Situation::Playing;
    return Situation::Observing;
}

Situation SituationOnScore(const ClientApiGame& game, const wchar_t* names)
{
    if (game.isReplay)
        return Situation::AfterGame;
    const int user = FindUserAmong(game, names);
    if (user < 0)
        return Situation::AfterGame;
    switch (game.players[user].result) {
    case PlayerResult::Victory: return Situation::AfterWin;
    case PlayerResult::Defeat:  return Situation::AfterLoss;
    default:                    return Situation::AfterGame;
    }
}

Situation SituationOfScreens(ClientApiScreens screens)
{
    switch (screens) {
    case ClientApiScreens::MapOn:   return Situation::Playing;
    case ClientApiScreens::Loading: return Situation::Loading;
    case ClientApiScreens::Score:   return Situation::AfterGame;
    case ClientApiScreens::Menus:   return Situation::Menus;
    case ClientApiScreens::Unreadable: break;
    }
    return Situation::None;
}

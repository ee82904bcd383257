#include "record/record_format.h"

#include <cstdio>
#include <cstring>

namespace {

// The longest placeholder's name, "winrate", and its braces.
constexpr size_t kLongestPlaceholder = 9;
// A number of 32 bits in decimal, or "W-L" of two, and a terminator.
constexpr size_t kNumberChars = 24;

struct Output {
    char16_t (&text)[kRecordTextChars];
    size_t length;
    bool full;
};

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

void Put(Output* out, char16_t unit)
{
    if (out->full)
        return;
    if (out->length == kRecordTextChars - 1) {
        out->full = true;
        return;
    }
    out->text[out->length++] = unit;
}

void PutAscii(Output* out, const char* text)
{
    for (const char* c = text; *c != '\0'; ++c)
        Put(out, char16_t(*c));
}

uint32_t WinratePercent(const RecordCounts& counts)
{
    const uint64_t decided = uint64_t(counts.wins) + counts.losses;
    if (decided == 0)
        return 0;
    return uint32_t((uint64_t(counts.wins) * 200 + decided) / (2 * decided));
}

// The text of a known placeholder's name (between the braces), or false.
bool PlaceholderText(const char16_t* name, size_t length, const RecordCounts& counts, char (&text)[kNumberChars])
{
    struct Race {
        const char16_t* name;
        RecordRace race;
    };
    const Race kRaces[] = {{u"vsT", kVsTerran}, {u"vsZ", kVsZerg}, {u"vsP", kVsProtoss}, {u"vsR", kVsRandom}};
    auto is = [&](const char16_t* known) {
        size_t i = 0;
        while (i < length && known[i] != u'\0' && known[i] == name[i])
            ++i;
        return i == length && known[i] == u'\0';
    };
    const unsigned long long games = uint64_t(counts.wins) + counts.losses + counts.ties;
    if (is(u"wins"))
        std::snprintf(text, kNumberChars, "%lu", static_cast<unsigned long>(counts.wins));
    else if (is(u"losses"))
        std::snprintf(text, kNumberChars, "%lu", static_cast<unsigned long>(counts.losses));
    else if (is(u"ties"))
        std::snprintf(text, kNumberChars, "%lu", static_cast<unsigned long>(counts.ties));
    else if (is(u"games"))
        std::snprintf(text, kNumberChars, "%llu", games);
    else if (is(u"winrate"))
        std::snprintf(text, kNumberChars, "%lu", static_cast<unsigned long>(WinratePercent(counts)));
    else {
        for (const Race& race : kRaces) {
            if (is(race.name)) {
                std::snprintf(text, kNumberChars, "%lu-%lu", static_cast<unsigned long>(counts.raceWins[race.race]),
                              static_cast<unsigned long>(counts.raceLosses[race.race]));
                return true;
            }
        }
        return false;
    }
    return true;
}

} // namespace

uint32_t& RecordNumberOf(RecordCounts& counts, RecordNumber which)
{
    switch (which) {
    case kNumberWins:          return counts.wins;
    case kNumberLosses:        return counts.losses;
    case kNumberTies:          return counts.ties;
    case kNumberTerranWins:    return counts.raceWins[kVsTerran];
    case kNumberTerranLosses:  return counts.raceLosses[kVsTerran];
    case kNumberZergWins:      return counts.raceWins[kVsZerg];
    case kNumberZergLosses:    return counts.raceLosses[kVsZerg];
    case kNumberProtossWins:   return counts.raceWins[kVsProtoss];
    case kNumberProtossLosses: return counts.raceLosses[kVsProtoss];
    case kNumberRandomWins:    return counts.raceWins[kVsRandom];
    default:                   return counts.raceLosses[kVsRandom];
    }
}

size_t FormatRecord(const char16_t* format, const RecordCounts& counts, char16_t (&out)[kRecordTextChars])
{
    Output output = {out, 0, false};
    size_t length = 0;
    while (format != nullptr && length < kRecordFormatChars - 1 && format[length] != u'\0')
        ++length;
    for (size_t i = 0; i < length && !output.full;) {
        if (format[i] == u'{') {
            size_t close = i + 1;
            while (close < length && close - i < kLongestPlaceholder && format[close] != u'}')
                ++close;
            char text[kNumberChars];
            if (close < length && format[close] == u'}' &&
                PlaceholderText(format + i + 1, close - i - 1, counts, text)) {
                PutAscii(&output, text);
                i = close + 1;
                continue;
            }
        }
        Put(&output, format[i]);
        ++i;
    }
    // A cut between the two halves of a character drops the first half too.
    if (output.full && output.length > 0 && IsHighSurrogate(out[output.length - 1]))
        --output.length;
    out[output.length] = u'\0';
    return output.length;
}

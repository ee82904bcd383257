// The session's record as the text a stream shows: a format the streamer
// types, with placeholders for the numbers. The format comes from the
// registry and is not trusted: every output is bounded and cut.
// Plain C++ without <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>
#include <cstdint>

// The opponent's race in a game of one against one.
enum RecordRace { kVsTerran, kVsZerg, kVsProtoss, kVsRandom, kRecordRaceCount };

struct RecordCounts {
    uint32_t wins;
    uint32_t losses;
    uint32_t ties;
    uint32_t raceWins[kRecordRaceCount];
    uint32_t raceLosses[kRecordRaceCount];
};

// The numbers one by one, as the registry and the Record dialog name each.
enum RecordNumber {
    kNumberWins, kNumberLosses, kNumberTies,
    kNumberTerranWins, kNumberTerranLosses, kNumberZergWins, kNumberZergLosses,
    kNumberProtossWins, kNumberProtossLosses, kNumberRandomWins, kNumberRandomLosses,
    kRecordNumberCount
};
uint32_t& RecordNumberOf(RecordCounts& counts, RecordNumber which);
inline uint32_t RecordNumberIn(RecordCounts counts, RecordNumber which)
{
    return RecordNumberOf(counts, which);
}

// A format as typed (254 units) or read back (255), plus terminator.
constexpr size_t kRecordFormatChars = 256;
// The formatted record: 511 units and the terminator.
constexpr size_t kRecordTextChars = 512;

// "{wins} - {losses}": what a streamer who sets nothing sees.
constexpr char16_t kDefaultRecordFormat[] = u"{wins} - {losses}";

// Puts the numbers in place of {wins}, {losses}, {ties}, {games},
// {winrate} (wins as a whole percent of wins and losses, rounded to the
// nearest, 0 before the first), {vsT}, {vsZ}, {vsP} and {vsR} ("W-L"
// against that race); anything else, unknown placeholders among it, is
// copied as it stands. Reads `format` up to its terminator or
// kRecordFormatChars - 1 units, whichever comes first; what does not fit in
// the output is cut, never a surrogate pair in two. Returns the units written.
size_t FormatRecord(const char16_t* format, const RecordCounts& counts, char16_t (&out)[kRecordTextChars]);

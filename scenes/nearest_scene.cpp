#include "scenes/nearest_scene.h"

#include <algorithm>

namespace {

constexpr int kMostEdits = 2;

// Letter case as a streamer sees it in the names of most scenes: the Latin,
// Greek and Cyrillic capitals of Unicode's first blocks. A plain function of
// our own rather than towlower, whose answer depends on the C runtime's
// locale on Windows.
wchar_t FoldCase(wchar_t c)
{
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2))
        return wchar_t(c + 0x20);
    if (c >= 0x410 && c <= 0x42F)
        return wchar_t(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return wchar_t(c + 0x50);
    return c;
}

std::wstring Folded(const std::wstring& text)
{
    std::wstring folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// The edit distance of two folded texts when it is at most kMostEdits, else
// kMostEdits + 1. Only the band of cells within kMostEdits of the diagonal
// can hold a distance that small, so each row costs five cells, not a
// scene name's 255.
int EditsBetween(const std::wstring& a, const std::wstring& b)
{
    constexpr int kTooFar = kMostEdits + 1;
    const int n = int(a.size()), m = int(b.size());
    if (n - m > kMostEdits || m - n > kMostEdits)
        return kTooFar;
    std::vector<int> previous(size_t(m) + 1), current(size_t(m) + 1);
    for (int j = 0; j <= m; ++j)
        previous[size_t(j)] = std::min(j, kTooFar);
    for (int i = 1; i <= n; ++i) {
        std::fill(current.begin(), current.end(), kTooFar);
        if (i <= kMostEdits)
            current[0] = i;
        for (int j = std::max(1, i - kMostEdits); j <= std::min(m, i + kMostEdits); ++j) {
            const int substitute = previous[size_t(j) - 1] + (a[size_t(i) - 1] == b[size_t(j) - 1] ? 0 : 1);
            const int cell = std::min({substitute, previous[size_t(j)] + 1, current[size_t(j) - 1] + 1});
            current[size_t(j)] = std::min(cell, kTooFar);
        }
        std::swap(previous, current);
    }
    return previous[size_t(m)];
}

} // namespace

int NearestScene(const std::wstring& name, const std::vector<std::wstring>& scenes)
{
    // Nearness 0 is "equal but for case and the spaces at its ends", then
    // the number of edits; the best nearness found, and how many share it.
    const std::wstring trimmed = Folded(Trimmed(name));
    const std::wstring folded = Folded(name);
    int best = kNoNearestScene, bestNearness = kMostEdits + 1, sharing = 0;
    for (size_t i = 0; i < scenes.size(); ++i) {
        const int nearness = Folded(Trimmed(scenes[i])) == trimmed ? 0 : std::max(1, EditsBetween(folded, Folded(scenes[i])));
        if (nearness > kMostEdits || nearness > bestNearness)
            continue;
        if (nearness == bestNearness) {
            ++sharing;
            continue;
        }
        best = int(i);
        bestNearness = nearness;
        sharing = 1;
    }
    return sharing == 1 ? best : kNoNearestScene;
}

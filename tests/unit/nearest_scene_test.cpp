// The scene a mistyped name is taken to mean, as a table: the name, the
// broadcaster's scenes and the one named (or none).
#include "scenes/nearest_scene.h"
#ifdef _WINDOWS_
#error "the nearest scene must build without <windows.h>"
#endif

#include <gtest/gtest.h>

namespace {

struct NearestCase {
    const char* what;
    std::wstring name;
    std::vector<std::wstring> scenes;
    int nearest;
};

const NearestCase kCases[] = {
    {"letter case", L"game", {L"Menus", L"Game"}, 1},
    {"spaces at both ends", L"  Game ", {L"Game", L"Menus"}, 0},
    {"spaces at the scene's ends", L"game", {L"Menus", L" Game  "}, 1},
    {"one substitution", L"Gane", {L"Menus", L"Game"}, 1},
    {"one insertion", L"Gamme", {L"Game"}, 0},
    {"one deletion", L"Gme", {L"Game"}, 0},
    {"two edits, case ignored", L"gAMEs2", {L"Game"}, 0},
    {"three edits", L"Gxmxsx", {L"Game"}, kNoNearestScene},
    {"lengths three apart", L"Game1234", {L"Game1"}, kNoNearestScene},
    {"a space inside counts as an edit", L"Gam e", {L"Game"}, 0},
    {"fewer edits win", L"Gamr", {L"Gxxr", L"Game"}, 1},
    {"case-equal beats one edit", L"GAME", {L"Gane", L"game"}, 1},
    {"two equally near", L"Gam", {L"Game", L"Gamx"}, kNoNearestScene},
    {"two equal but for case", L"GAME", {L"Game", L"game"}, kNoNearestScene},
    {"no scenes", L"Game", {}, kNoNearestScene},
    {"nothing near", L"Score screen", {L"Game", L"Menus"}, kNoNearestScene},
    {"Latin-1 capitals", L"\u00c9cran", {L"\u00e9cran"}, 0},
    {"Cyrillic capitals", L"\u0418\u0433\u0440\u0430", {L"\u0438\u0433\u0440\u0430"}, 0},
    {"long names", std::wstring(254, L'a'), {std::wstring(253, L'a') + L"b"}, 0},
};

TEST(NearestSceneTest, NamesTheOneSceneNearestWithinTwoEdits)
{
    for (const NearestCase& c : kCases)
        EXPECT_EQ(NearestScene(c.name, c.scenes), c.nearest) << c.what;
}

} // namespace

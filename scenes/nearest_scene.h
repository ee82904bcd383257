// Which of the broadcaster's scenes a mistyped name most likely meant, so
// that a failed switch or a marked field can name it. Plain C++ without
// <windows.h>, so it is tested natively too.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr int kNoNearestScene = -1;

// The index in `scenes` of the one scene equal to `name` ignoring letter
// case and spaces at both ends; else of the one within two edits
// (insertions, deletions, substitutions), letter case ignored; else
// kNoNearestScene. Two scenes equally near name none.
int NearestScene(const std::wstring& name, const std::vector<std::wstring>& scenes);

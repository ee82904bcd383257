// The status text of a switch to a scene the broadcaster lacks, naming the
// scene the name most likely meant.
#pragma once
#include <string>
#include <vector>

// "Error: Scene 'game' not found. Did you mean 'Game'?", or without the
// question when no scene is near enough, on the status line.
void ReportSceneNotFound(const wchar_t* name, const std::vector<std::wstring>& scenes);

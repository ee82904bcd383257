#include "scenes/scene_not_found.h"

#include <cwchar>

#include "scenes/nearest_scene.h"
#include "status/status_line.h"

void ReportSceneNotFound(const wchar_t* name, const std::vector<std::wstring>& scenes)
{
    wchar_t status[kStatusChars];
    FormatStatus(status, L"Error: Scene '%s' not found.", name);
    const int nearest = NearestScene(name, scenes);
    if (nearest != kNoNearestScene) {
        wchar_t question[kStatusChars];
        FormatStatus(question, L" Did you mean '%s'?", scenes[size_t(nearest)].c_str());
        const size_t used = wcslen(status);
        wcsncat(status, question, kStatusChars - 1 - used);
    }
    SetStatusLine(status);
}

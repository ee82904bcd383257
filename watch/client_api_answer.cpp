#include "watch/client_api_answer.h"

#include <cJSON.h>

namespace {

bool IsJsonBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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

} // namespace

ClientApiScreens ReadClientApiScreens(const char* body, size_t size)
{
    if (body == nullptr || size == 0 || size > kClientApiAnswerLimitBytes)
        return ClientApiScreens::Unreadable;
    const char* parseEnd = nullptr;
    cJSON* root = cJSON_ParseWithLengthOpts(body, size, &parseEnd, false);
    ClientApiScreens screens = ClientApiScreens::Unreadable;
    if (root != nullptr && parseEnd != nullptr && OnlyBlanksFollow(parseEnd, body + size) && cJSON_IsObject(root)) {
        const cJSON* active = cJSON_GetObjectItemCaseSensitive(root, "activeScreens");
        if (cJSON_IsArray(active))
            screens = cJSON_GetArraySize(active) == 0 ? ClientApiScreens::None : ClientApiScreens::Some;
    }
    cJSON_Delete(root);
    return screens;
}

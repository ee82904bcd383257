#include "obs/obs_messages.h"

#include <cJSON.h>

#include <memory>

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

const cJSON* Member(const cJSON* object, const char* name)
{
    return cJSON_GetObjectItemCaseSensitive(object, name);
}

bool ReadString(const cJSON* object, const char* name, std::string* out)
{
    const cJSON* item = Member(object, name);
    if (!cJSON_IsString(item) || item->valuestring == nullptr)
        return false;
    *out = item->valuestring;
    return true;
}

// A JSON number that is a whole number within int's range.
bool ReadInteger(const cJSON* object, const char* name, int* out)
{
    const cJSON* item = Member(object, name);
    if (!cJSON_IsNumber(item))
        return false;
    const double value = item->valuedouble;
    if (!(value >= -2147483648.0 && value <= 2147483647.0) || double(int(value)) != value)
        return false;
    *out = int(value);
    return true;
}

bool ReadHello(const cJSON* d, ObsMessage* message)
{
    if (!ReadString(d, "obsWebSocketVersion", &message->webSocketVersion))
        return false;
    const cJSON* authentication = Member(d, "authentication");
    if (authentication == nullptr)
        return true;
    message->authenticationRequired = true;
    return cJSON_IsObject(authentication) && ReadString(authentication, "challenge", &message->challenge) &&
           ReadString(authentication, "salt", &message->salt);
}

// The names of an array of scene objects, those without one skipped.
bool ReadSceneNames(const cJSON* object, std::vector<std::string>* names)
{
    const cJSON* scenes = Member(object, "scenes");
    if (!cJSON_IsArray(scenes))
        return false;
    const cJSON* scene = nullptr;
    cJSON_ArrayForEach(scene, scenes) {
        std::string name;
        if (cJSON_IsObject(scene) && ReadString(scene, "sceneName", &name))
            names->push_back(name);
    }
    return true;
}

// eventData is read only for the scene events that Kestrelcue follows;
// one of them without what it needs is not read at all.
bool ReadEvent(const cJSON* d, ObsMessage* message)
{
    if (!ReadString(d, "eventType", &message->eventType))
        return false;
    const cJSON* data = Member(d, "eventData");
    const std::string& type = message->eventType;
    if (type == "SceneListChanged")
        return cJSON_IsObject(data) && ReadSceneNames(data, &message->sceneNames);
    if (type == "SceneCreated" || type == "SceneRemoved") {
        message->isGroup = cJSON_IsTrue(Member(data, "isGroup"));
        return cJSON_IsObject(data) && ReadString(data, "sceneName", &message->sceneName);
    }
    if (type == "SceneNameChanged")
        return cJSON_IsObject(data) && ReadString(data, "oldSceneName", &message->oldSceneName) &&
               ReadString(data, "sceneName", &message->sceneName);
    return true;
}

// responseData is read only for the requests that Kestrelcue makes.
bool ReadResponseData(const cJSON* data, ObsMessage* message)
{
    if (message->requestType == "GetVersion")
        return ReadString(data, "obsVersion", &message->obsVersion);
    if (message->requestType == "GetSceneList") {
        ReadString(data, "currentProgramSceneName", &message->currentProgramScene);
        return ReadSceneNames(data, &message->sceneNames);
    }
    return true;
}

bool ReadRequestResponse(const cJSON* d, ObsMessage* message)
{
    const cJSON* status = Member(d, "requestStatus");
    if (!ReadString(d, "requestType", &message->requestType) || !ReadString(d, "requestId", &message->requestId) ||
        !cJSON_IsObject(status) || !cJSON_IsBool(Member(status, "result")) ||
        !ReadInteger(status, "code", &message->code))
        return false;
    message->succeeded = cJSON_IsTrue(Member(status, "result"));
    ReadString(status, "comment", &message->comment);
    const cJSON* data = Member(d, "responseData");
    if (message->succeeded && cJSON_IsObject(data))
        return ReadResponseData(data, message);
    return true;
}

// JSON allows no byte below 0x20 but its four blanks, and those only
// between tokens (in strings they are escaped). cJSON would skip any of
// them before the value and between tokens, so they are refused here.
bool HoldsOnlyJsonBlanksAsControls(const char* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    }
    return true;
}

std::string PrintMessage(const Json& root)
{
    char* text = cJSON_PrintUnformatted(root.get());
    std::string message = text != nullptr ? text : "";
    cJSON_free(text);
    return message;
}

} // namespace

bool ReadObsMessage(const char* bytes, size_t size, ObsMessage* message)
{
    if (bytes == nullptr || size == 0 || size > kObsMessageLimitBytes || !HoldsOnlyJsonBlanksAsControls(bytes, size))
        return false;
    const char* end = nullptr;
    Json root(cJSON_ParseWithLengthOpts(bytes, size, &end, false));
    if (root == nullptr)
        return false;
    // One JSON text and nothing after it but blanks.
    for (const char* c = end; c != nullptr && c < bytes + size; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n')
            return false;
    }
    ObsMessage read;
    const cJSON* d = Member(root.get(), "d");
    if (!cJSON_IsObject(root.get()) || !ReadInteger(root.get(), "op", &read.op) || !cJSON_IsObject(d))
        return false;
    bool complete = true;
    if (read.op == kObsOpHello)
        complete = ReadHello(d, &read);
    else if (read.op == kObsOpRequestResponse)
        complete = ReadRequestResponse(d, &read);
    else if (read.op == kObsOpEvent)
        complete = ReadEvent(d, &read);
    if (!complete)
        return false;
    *message = std::move(read);
    return true;
}

std::string IdentifyMessage(const std::string& authentication, int eventSubscriptions)
{
    Json root(cJSON_CreateObject());
    cJSON_AddNumberToObject(root.get(), "op", kObsOpIdentify);
    cJSON* d = cJSON_AddObjectToObject(root.get(), "d");
    cJSON_AddNumberToObject(d, "rpcVersion", kObsRpcVersion);
    if (!authentication.empty())
        cJSON_AddStringToObject(d, "authentication", authentication.c_str());
    cJSON_AddNumberToObject(d, "eventSubscriptions", eventSubscriptions);
    return PrintMessage(root);
}

std::string RequestMessage(const char* requestType, const std::string& requestId, const std::string* sceneName)
{
    Json root(cJSON_CreateObject());
    cJSON_AddNumberToObject(root.get(), "op", kObsOpRequest);
    cJSON* d = cJSON_AddObjectToObject(root.get(), "d");
    cJSON_AddStringToObject(d, "requestType", requestType);
    cJSON_AddStringToObject(d, "requestId", requestId.c_str());
    if (sceneName != nullptr) {
        cJSON* data = cJSON_AddObjectToObject(d, "requestData");
        cJSON_AddStringToObject(data, "sceneName", sceneName->c_str());
    }
    return PrintMessage(root);
}

std::string SetInputTextMessage(const std::string& requestId, const std::string& inputName, const std::string& text)
{
    Json root(cJSON_CreateObject());
    cJSON_AddNumberToObject(root.get(), "op", kObsOpRequest);
    cJSON* d = cJSON_AddObjectToObject(root.get(), "d");
    cJSON_AddStringToObject(d, "requestType", "SetInputSettings");
    cJSON_AddStringToObject(d, "requestId", requestId.c_str());
    cJSON* data = cJSON_AddObjectToObject(d, "requestData");
    cJSON_AddStringToObject(data, "inputName", inputName.c_str());
    cJSON* settings = cJSON_AddObjectToObject(data, "inputSettings");
    cJSON_AddStringToObject(settings, "text", text.c_str());
    cJSON_AddBoolToObject(data, "overlay", true);
    return PrintMessage(root);
}

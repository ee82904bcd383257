// The obs-websocket 5 conversation: Hello, Identify, Identified, then one
// request and its answer at a time. A request whose answer does not come in
// time gives the connection up: an answer that came later would otherwise
// stand in front of the next one's.
#include "obs/obs.h"

#include <cwchar>

#include "obs/obs_auth.h"
#include "obs/obs_messages.h"

namespace {

// A password of at most 255 UTF-16 units (the Options dialog's limit) takes
// at most three bytes a unit in UTF-8, and the terminator.
constexpr size_t kPasswordUnits = 255;
constexpr int kPasswordUtf8Bytes = 3 * int(kPasswordUnits) + 1;

std::string Utf8Of(const wchar_t* text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return std::string();
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.resize(size_t(bytes) - 1);
    return utf8;
}

ULONGLONG DeadlineOfAWait()
{
    return GetTickCount64() + kObsWaitMs;
}

// What ReadAs awaits when only the events matter: no op OBS sends.
constexpr int kNoOpAwaited = -1;

std::string RequestIdOf(unsigned number)
{
    return "kestrelcue-" + std::to_string(number);
}

// The list's wait ends: answered, refused, or over its time.
void EndListWait(ObsConnection* obs, ObsAskResult asked, const std::vector<std::string>& scenes)
{
    obs->listRequest = 0;
    if (obs->onSceneList != nullptr)
        obs->onSceneList(asked, scenes);
}

// True when the message is the answer to the list asked for without waiting.
bool TakeListAnswer(ObsConnection* obs, const ObsMessage& read)
{
    if (obs == nullptr || obs->listRequest == 0 || read.op != kObsOpRequestResponse ||
        read.requestId != RequestIdOf(obs->listRequest))
        return false;
    EndListWait(obs, read.succeeded ? ObsAskResult::Answered : ObsAskResult::Refused, read.sceneNames);
    return true;
}

void GiveUpALateList(ObsConnection* obs)
{
    if (obs->listRequest != 0 && GetTickCount64() >= obs->listDeadline)
        EndListWait(obs, ObsAskResult::TimedOut, {});
}

// Reads one text; true when it is a message with this op. Of a connection
// (null during the login) an event is handed to its onSceneEvent and the
// list's answer to its onSceneList.
bool ReadAs(const std::string& text, int op, ObsConnection* obs, ObsMessage* message)
{
    ObsMessage read;
    if (!ReadObsMessage(text.data(), text.size(), &read) || TakeListAnswer(obs, read))
        return false;
    if (read.op == op) {
        *message = std::move(read);
        return true;
    }
    if (read.op == kObsOpEvent && obs != nullptr && obs->onSceneEvent != nullptr)
        obs->onSceneEvent(read);
    return false;
}

// The next message with this op, skipping any other; false when none came
// by the deadline, however many others did, on a cancel, or when the
// connection closed.
bool AwaitOp(ObsSocket* socket, int op, ULONGLONG deadline, ObsMessage* message, ObsConnection* obs = nullptr)
{
    std::string text;
    while (ReceiveObsText(socket, &text, deadline) == ObsReceived::Message) {
        if (ReadAs(text, op, obs, message))
            return true;
    }
    return false;
}

ObsConnectResult ResultOf(ObsSocketFailure failure)
{
    switch (failure) {
    case ObsSocketFailure::NoListener:   return ObsConnectResult::NoListener;
    case ObsSocketFailure::HostUnknown:  return ObsConnectResult::HostUnknown;
    case ObsSocketFailure::TimedOut:     return ObsConnectResult::TimedOut;
    case ObsSocketFailure::NotWebSocket:
    case ObsSocketFailure::Failed:
    case ObsSocketFailure::None:         break;
    }
    return ObsConnectResult::NotObs;
}

// Why OBS ended the connection during the login, as its close code says.
ObsConnectResult ResultOfClose(const ObsSocket* socket)
{
    switch (ObsCloseCode(socket)) {
    case kObsCloseAuthenticationFailed:  return ObsConnectResult::PasswordRefused;
    case kObsCloseUnsupportedRpcVersion: return ObsConnectResult::VersionUnsupported;
    default:                             return ObsConnectResult::Dropped;
    }
}

// The answer to OBS's challenge. The password is in UTF-8 only here, on the
// stack, and wiped before it returns.
ObsConnectResult AnswerChallenge(const ObsMessage& hello, const wchar_t* password, std::string* answer)
{
    char utf8[kPasswordUtf8Bytes];
    const int units = int(wcsnlen(password, kPasswordUnits));
    const int bytes =
        units == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, password, units, utf8, kPasswordUtf8Bytes - 1, nullptr, nullptr);
    ObsConnectResult result = ObsConnectResult::Connected;
    if (bytes <= 0) {
        result = ObsConnectResult::PasswordNeeded;
    } else {
        utf8[bytes] = '\0';
        if (!AnswerObsChallenge(utf8, hello.salt, hello.challenge, answer))
            result = ObsConnectResult::NotObs;
    }
    SecureZeroMemory(utf8, sizeof utf8);
    return result;
}

// Identify, answering the challenge if OBS set one, then Identified. An
// Identify that cannot go out because OBS has closed is told as OBS's close
// is: that is what happened.
ObsConnectResult Identify(ObsSocket* socket, const ObsMessage& hello, const wchar_t* password, int subscriptions)
{
    std::string answer;
    if (hello.authenticationRequired) {
        const ObsConnectResult answered = AnswerChallenge(hello, password, &answer);
        if (answered != ObsConnectResult::Connected)
            return answered;
    }
    const ObsSent sent = SendObsText(socket, IdentifyMessage(answer, subscriptions), kObsWaitMs);
    ObsMessage identified;
    if (sent == ObsSent::Sent && AwaitOp(socket, kObsOpIdentified, DeadlineOfAWait(), &identified))
        return ObsConnectResult::Connected;
    if (sent != ObsSent::TimedOut && IsObsSocketGone(socket))
        return ResultOfClose(socket);
    return ObsConnectResult::TimedOut;
}

// Sends a request (made with its id) and waits for its answer, skipping
// whatever else comes; on TimedOut or Gone the connection is closed.
template <typename MakeRequest>
ObsAskResult AskWith(ObsConnection* obs, MakeRequest make, ObsMessage* answer)
{
    if (obs->socket == nullptr)
        return ObsAskResult::Gone;
    const std::string id = RequestIdOf(++obs->requestsSent);
    const ObsSent sent = SendObsText(obs->socket, make(id), kObsWaitMs);
    if (sent == ObsSent::Sent) {
        const ULONGLONG deadline = DeadlineOfAWait();
        while (AwaitOp(obs->socket, kObsOpRequestResponse, deadline, answer, obs)) {
            if (answer->requestId == id) {
                GiveUpALateList(obs);
                return ObsAskResult::Answered;
            }
        }
    }
    const bool gone = sent != ObsSent::TimedOut && IsObsSocketGone(obs->socket);
    DisconnectFromObs(obs);
    return gone ? ObsAskResult::Gone : ObsAskResult::TimedOut;
}

ObsAskResult Ask(ObsConnection* obs, const char* requestType, const std::string* sceneName, ObsMessage* answer)
{
    return AskWith(obs, [&](const std::string& id) { return RequestMessage(requestType, id, sceneName); }, answer);
}

// One request of the test; Answered only when OBS answered with success.
ObsAskResult AskForTheTest(ObsConnection* obs, const char* requestType, ObsMessage* answer,
                           ObsDescription* description)
{
    const ObsAskResult asked = Ask(obs, requestType, nullptr, answer);
    if (asked != ObsAskResult::Answered || answer->succeeded)
        return asked;
    description->refusalCode = answer->code;
    description->refusalComment = answer->comment;
    return ObsAskResult::Refused;
}

} // namespace

ObsConnectResult ConnectToObs(ObsConnection* obs, const wchar_t* host, unsigned port, const wchar_t* password,
                              HANDLE cancel, std::string* webSocketVersion)
{
    DisconnectFromObs(obs);
    if (host == nullptr || host[0] == L'\0')
        return ObsConnectResult::NoHost;
    ObsSocketFailure failure = ObsSocketFailure::None;
    ObsSocket* socket = OpenObsSocket(host, INTERNET_PORT(port), kObsWaitMs, cancel, &obs->worked, &failure);
    if (socket == nullptr)
        return ResultOf(failure);
    ObsMessage hello;
    ObsConnectResult result = ObsConnectResult::NotObs;
    if (AwaitOp(socket, kObsOpHello, DeadlineOfAWait(), &hello))
        result = Identify(socket, hello, password, obs->onSceneEvent != nullptr ? kObsEventSubscriptionScenes : 0);
    else if (!IsObsSocketGone(socket))
        result = ObsConnectResult::TimedOut;
    if (result != ObsConnectResult::Connected) {
        CloseObsSocket(socket);
        return result;
    }
    obs->socket = socket;
    if (webSocketVersion != nullptr)
        *webSocketVersion = hello.webSocketVersion;
    return result;
}

ObsTextResult SetObsText(ObsConnection* obs, const wchar_t* inputName, const std::string& text)
{
    const std::string input = Utf8Of(inputName);
    ObsMessage answer;
    const auto make = [&](const std::string& id) { return SetInputTextMessage(id, input, text); };
    if (AskWith(obs, make, &answer) != ObsAskResult::Answered)
        return ObsTextResult::Lost;
    if (answer.succeeded)
        return ObsTextResult::Set;
    return answer.code == kObsCodeResourceNotFound ? ObsTextResult::NoSuchInput : ObsTextResult::Refused;
}

ObsSwitchResult SwitchObsScene(ObsConnection* obs, const wchar_t* name)
{
    const std::string scene = Utf8Of(name);
    ObsMessage answer;
    if (Ask(obs, "SetCurrentProgramScene", &scene, &answer) != ObsAskResult::Answered)
        return ObsSwitchResult::Lost;
    if (answer.succeeded)
        return ObsSwitchResult::Switched;
    return answer.code == kObsCodeResourceNotFound ? ObsSwitchResult::NoSuchScene : ObsSwitchResult::Refused;
}

bool IsObsLost(ObsConnection* obs)
{
    if (obs->socket == nullptr)
        return true;
    const bool gone = IsObsSocketGone(obs->socket);
    std::string text;
    ObsMessage ignored;
    while (TakeWaitingObsText(obs->socket, &text))
        ReadAs(text, kNoOpAwaited, obs, &ignored);
    GiveUpALateList(obs);
    return gone;
}

ObsAskResult AskObsScenes(ObsConnection* obs, std::vector<std::string>* scenes)
{
    ObsMessage list;
    const ObsAskResult asked = Ask(obs, "GetSceneList", nullptr, &list);
    if (asked == ObsAskResult::Answered && !list.succeeded)
        return ObsAskResult::Refused;
    if (asked == ObsAskResult::Answered)
        *scenes = std::move(list.sceneNames);
    return asked;
}

bool RequestObsSceneList(ObsConnection* obs)
{
    if (obs->socket == nullptr)
        return false;
    const unsigned number = ++obs->requestsSent;
    if (SendObsText(obs->socket, RequestMessage("GetSceneList", RequestIdOf(number), nullptr), kObsWaitMs) !=
        ObsSent::Sent) {
        DisconnectFromObs(obs);
        return false;
    }
    obs->listRequest = number;
    obs->listDeadline = DeadlineOfAWait();
    return true;
}

ObsAskResult AskObsVersionAndScenes(ObsConnection* obs, ObsDescription* description)
{
    ObsMessage version, list;
    ObsAskResult asked = AskForTheTest(obs, "GetVersion", &version, description);
    if (asked == ObsAskResult::Answered)
        asked = AskForTheTest(obs, "GetSceneList", &list, description);
    if (asked == ObsAskResult::Answered) {
        description->obsVersion = version.obsVersion;
        description->scenes = list.sceneNames;
    }
    return asked;
}

void DisconnectFromObs(ObsConnection* obs)
{
    CloseObsSocket(obs->socket);
    obs->socket = nullptr;
    // An answer can no longer come; the next connection asks anew.
    obs->listRequest = 0;
}

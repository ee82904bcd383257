// The controller's protocol is text lines both ways: the test sends
// tab-separated fields (command first), the controller answers "ok TEXT" or
// "error TEXT". Every wait for it is bounded, longer than the script's own
// deadlines, so that the script tells what went wrong before the test gives
// up on it.
#include "drive/obs_studio.h"

#include <cstdio>
#include <cstdlib>

#include "drive/linux_peer.h"

namespace {

// The controller connects back within this.
constexpr DWORD kControllerConnectMs = 30000;
// Longer than the script's deadline for OBS's Hello (90 s).
constexpr DWORD kStartAnswerMs = 150000;
// Longer than a stop: SIGTERM, 15 s, SIGKILL, 10 s.
constexpr DWORD kCommandAnswerMs = 45000;
// One recv from the controller, and the most a line may hold.
constexpr int kControlChunkBytes = 4096;
constexpr size_t kControlLineBytes = 65536;

// Waits until the socket can be read (or accepted on); false at the timeout.
bool WaitReadable(SOCKET sock, DWORD timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(sock, &readable);
    timeval limit = {long(timeoutMs / 1000), long(timeoutMs % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

} // namespace

bool ObsStudio::Fail(const std::string& reason)
{
    error_ = reason;
    return false;
}

bool ObsStudio::StartController(const std::wstring& folder)
{
    if (control_ != INVALID_SOCKET && folder == folder_)
        return true;
    EndController();
    control_ = ConnectLinuxPeer(L"obs-peer", folder, kControllerConnectMs, &error_);
    if (control_ == INVALID_SOCKET)
        return false;
    folder_ = folder;
    pending_.clear();
    std::string greeting;
    if (!ReadLine(&greeting, kCommandAnswerMs) || greeting.compare(0, 6, "ready ") != 0) {
        const std::string reason = "the controller did not greet: " + (greeting.empty() ? error_ : greeting);
        closesocket(control_);
        control_ = INVALID_SOCKET;
        return Fail(reason);
    }
    return true;
}

void ObsStudio::EndController()
{
    if (control_ == INVALID_SOCKET)
        return;
    std::string answer;
    if (!Command({"stop"}, &answer, kCommandAnswerMs)) {
        std::fprintf(stderr, "ObsStudio: stopping OBS failed: %s\n", error_.c_str());
        std::fflush(stderr);
    }
    // The controller stops OBS again when it sees the connection end.
    closesocket(control_);
    control_ = INVALID_SOCKET;
    folder_.clear();
}

bool ObsStudio::ReadLine(std::string* line, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            *line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return true;
        }
        if (pending_.size() > kControlLineBytes)
            return Fail("the controller sent a line of more than " + std::to_string(kControlLineBytes) + " bytes");
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline || !WaitReadable(control_, DWORD(deadline - now)))
            return Fail("the controller did not answer within " + std::to_string(timeoutMs / 1000) + " s");
        char chunk[kControlChunkBytes];
        const int got = recv(control_, chunk, kControlChunkBytes, 0);
        if (got <= 0)
            return Fail("the controller closed the connection");
        pending_.append(chunk, size_t(got));
    }
}

bool ObsStudio::Command(const std::vector<std::string>& fields, std::string* answer, DWORD timeoutMs)
{
    if (control_ == INVALID_SOCKET)
        return Fail("OBS was not started");
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].find_first_of("\t\r\n") != std::string::npos)
            return Fail("a field holds a tab or a line break: " + fields[i]);
        line += (i == 0 ? "" : "\t") + fields[i];
    }
    line += '\n';
    for (size_t sent = 0; sent < line.size();) {
        const int n = send(control_, line.data() + sent, int(line.size() - sent), 0);
        if (n <= 0)
            return Fail("sending to the controller failed with error " + std::to_string(WSAGetLastError()));
        sent += size_t(n);
    }
    std::string reply;
    if (!ReadLine(&reply, timeoutMs))
        return Fail(fields.front() + ": " + error_);
    if (reply.compare(0, 3, "ok ") == 0) {
        *answer = reply.substr(3);
        return true;
    }
    if (reply.compare(0, 6, "error ") == 0)
        return Fail(fields.front() + ": " + reply.substr(6));
    return Fail(fields.front() + ": the controller answered '" + reply + "'");
}

bool ObsStudio::StartedWithPid(const std::string& answer)
{
    char* end = nullptr;
    const unsigned long pid = std::strtoul(answer.c_str(), &end, 10);
    if (pid == 0 || end == answer.c_str())
        return Fail("no pid in the answer '" + answer + "'");
    pid_ = pid;
    return true;
}

bool ObsStudio::Start(const std::wstring& folder, const std::vector<std::string>& scenes, const std::string& password,
                      unsigned short port)
{
    if (!StartController(folder))
        return false;
    std::vector<std::string> fields = {"start", std::to_string(port), password};
    fields.insert(fields.end(), scenes.begin(), scenes.end());
    std::string answer;
    return Command(fields, &answer, kStartAnswerMs) && StartedWithPid(answer);
}

bool ObsStudio::Restart()
{
    std::string answer;
    return Command({"restart"}, &answer, kStartAnswerMs) && StartedWithPid(answer);
}

bool ObsStudio::Stop()
{
    std::string answer;
    return Command({"stop"}, &answer, kCommandAnswerMs);
}

bool ObsStudio::Kill()
{
    std::string answer;
    return Command({"kill"}, &answer, kCommandAnswerMs);
}

bool ObsStudio::Freeze()
{
    std::string answer;
    return Command({"freeze"}, &answer, kCommandAnswerMs);
}

bool ObsStudio::Thaw()
{
    std::string answer;
    return Command({"thaw"}, &answer, kCommandAnswerMs);
}

std::string ObsStudio::Status()
{
    std::string answer;
    return Command({"status"}, &answer, kCommandAnswerMs) ? answer : std::string();
}

double ObsStudio::CpuShare(unsigned seconds)
{
    std::string answer;
    if (!Command({"cpu", std::to_string(seconds)}, &answer, kCommandAnswerMs + seconds * 1000))
        return -1;
    char* end = nullptr;
    const double share = std::strtod(answer.c_str(), &end);
    return end == answer.c_str() ? -1 : share;
}

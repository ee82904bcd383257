// The real OBS Studio that the OBS tests talk to, and harm as a streamer's
// machine would. OBS is a Linux program here, run by scripts/obs-peer
// (copied beside the executables). Wine starts a Linux program for
// CreateProcess but hands back no process handle, no exit code and nothing
// to wait for, so the script runs as a controller instead: the test listens
// on a loopback port of the system's choosing, the controller connects to
// it and runs one command a line. When the test ends, however it ends, the
// connection closes and the controller stops OBS.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "drive/linux_peer.h"

// The WebSocket port of the OBS tests: not OBS's default 4455, so that a
// streamer's own OBS on a developer's machine is left alone.
constexpr unsigned short kObsTestPort = 4460;

class ObsStudio {
public:
    ObsStudio() = default;
    ObsStudio(const ObsStudio&) = delete;
    ObsStudio& operator=(const ObsStudio&) = delete;
    // Stops OBS and lets the controller go.
    ~ObsStudio() { EndController(); }

    // Starts OBS with a fresh home in the folder (a Windows path), these
    // scenes (UTF-8; the first is on air), its WebSocket server on the port
    // and this password ("" turns authentication off); true once OBS has
    // said Hello on the port.
    bool Start(const std::wstring& folder, const std::vector<std::string>& scenes, const std::string& password,
               unsigned short port = kObsTestPort);
    // SIGTERM, then SIGKILL when OBS has not ended in time.
    bool Stop();
    // SIGKILL, as a crash ends it.
    bool Kill();
    // SIGSTOP: its sockets stay open and nothing answers.
    bool Freeze();
    // SIGCONT.
    bool Thaw();
    // Stops OBS if it runs and starts it on the same home, where it finds
    // what it saved; true once it has said Hello again.
    bool Restart();
    // "running", "frozen" or "stopped"; empty when the controller failed.
    std::string Status();
    // OBS's CPU share over that many seconds, in % of a core; negative when
    // it could not be measured.
    double CpuShare(unsigned seconds);
    // The Linux pid of the OBS started last.
    unsigned long Pid() const { return pid_; }
    // Why the last call that failed did.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& reason);
    bool StartController(const std::wstring& folder);
    void EndController();
    // Sends the tab-separated fields as one line and reads the answer's
    // text after "ok "; false with the text after "error " as the reason.
    bool Command(const std::vector<std::string>& fields, std::string* answer, DWORD timeoutMs);
    bool ReadLine(std::string* line, DWORD timeoutMs);
    bool StartedWithPid(const std::string& answer);

    SOCKET control_ = INVALID_SOCKET;
    std::wstring folder_;
    // Bytes from the controller after the last whole line.
    std::string pending_;
    unsigned long pid_ = 0;
    std::string error_;
};

// Any text message a WebSocket peer claiming to be OBS could send, through
// the reader the OBS connection uses. Besides the sanitizers' reports
// (cJSON is instrumented too), it checks the reader's contract: a refused
// message leaves what was there untouched, and what it reads is stable.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "obs/obs_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly as long as the message and not terminated, as the socket
    // hands it over, so that a read past its end is seen.
    std::unique_ptr<char[]> text(new char[size > 0 ? size : 1]);
    std::memcpy(text.get(), data, size);
    ObsMessage first;
    first.op = -7;
    const bool read = ReadObsMessage(text.get(), size, &first);
    if (!read && first.op != -7)
        std::abort();
    ObsMessage second;
    if (ReadObsMessage(text.get(), size, &second) != read)
        std::abort();
    if (read && (second.op != first.op || second.requestId != first.requestId || second.code != first.code ||
                 second.sceneNames != first.sceneNames || second.challenge != first.challenge))
        std::abort();
    return 0;
}

// Any body the game's client API could send to GET /ui, through the reader
// the probe uses. Besides the sanitizers' reports (cJSON is instrumented
// too), it checks the reader's contract: nothing over the bound is read, and
// what it reads is stable.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "watch/client_api_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly as long as the body and not terminated, as the probe hands it
    // over, so that a read past its end is seen.
    std::unique_ptr<char[]> body(new char[size > 0 ? size : 1]);
    std::memcpy(body.get(), data, size);
    const ClientApiScreens screens = ReadClientApiScreens(body.get(), size);
    if (size > kClientApiAnswerLimitBytes && screens != ClientApiScreens::Unreadable)
        std::abort();
    if (ReadClientApiScreens(body.get(), size) != screens)
        std::abort();
    return 0;
}

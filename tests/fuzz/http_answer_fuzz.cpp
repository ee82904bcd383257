// Any bytes a connection to the game's client API could deliver, through
// the reader of HTTP answers, as the stream goes on and as it ends. Besides
// the sanitizers' reports it checks the reader's contract: a whole answer
// never takes more bytes than came nor gives more body than the bound, a
// cut of a whole answer is never whole, and the same bytes read the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "watch/http_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly as long as what came, so that a read past its end is seen.
    std::unique_ptr<char[]> received(new char[size > 0 ? size : 1]);
    static char body[kHttpBodyLimitBytes];
    for (const bool closed : {false, true}) {
        // Each reading from the bytes as they came: an incomplete one may join chunks in place.
        std::memcpy(received.get(), data, size);
        size_t held = size;
        HttpAnswer answer = {};
        const HttpReading reading = ReadHttpAnswer(received.get(), &held, closed, body, &answer);
        if (held > size || (reading == HttpReading::Complete && held != size))
            std::abort();
        if (closed && reading == HttpReading::Incomplete)
            std::abort();
        if (reading != HttpReading::Complete)
            continue;
        if (answer.length > size || answer.bodySize > kHttpBodyLimitBytes || answer.status < 200 ||
            answer.status > 999 || size > kHttpReceiveLimitBytes)
            std::abort();
        HttpAnswer again = {};
        if (ReadHttpAnswer(received.get(), &held, closed, body, &again) != HttpReading::Complete ||
            again.length != answer.length || again.bodySize != answer.bodySize)
            std::abort();
        // A framed answer cut short is not whole yet.
        if (!closed && answer.length > 0 &&
            ReadHttpAnswer(received.get(), &(held = answer.length - 1), false, body, &again) == HttpReading::Complete &&
            again.length == answer.length)
            std::abort();
    }
    return 0;
}

// One HTTP/1.x answer read from the bytes received so far on a connection
// to the game's client API. The bytes come from a socket, perhaps from
// another computer, and are not trusted: every length is bounded, and an
// answer that bends the framing rules is no answer at all.
// Plain C++ without <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>

// The most a status line and headers may take; the game's are a few lines.
constexpr size_t kHttpHeadLimitBytes = 8192;
// The most body kept, its chunked framing taken off: what the answer
// readers take (kClientApiAnswerLimitBytes).
constexpr size_t kHttpBodyLimitBytes = 16384;
// The most bytes held for one answer at a time: a head, the chunks read so
// far (joined into one as they come, see ReadHttpAnswer) and the chunk
// under way. The bytes on the wire may be many more: small chunks carry
// more framing than body.
constexpr size_t kHttpReceiveLimitBytes = kHttpHeadLimitBytes + 2 * kHttpBodyLimitBytes;

enum class HttpReading {
    Incomplete,  // more bytes are needed
    Complete,    // the whole answer is there
    Broken,      // not an answer that can be read: the connection is to be given up
};

struct HttpAnswer {
    int status;        // 100 to 999
    bool keepAlive;    // the connection may carry the next request
    size_t length;     // how many of the received bytes the answer took
    size_t bodySize;   // bytes in the body, framing taken off
};

// `received` holds the `*size` bytes that came since the request was sent;
// `closed` says the peer ended the stream after them. On Complete, `answer`
// says what came and the body is in `body`. While a chunked body is
// incomplete, its whole chunks are joined in place into one and `*size`
// shrinks to match: the bytes still read as the same answer, and the next
// bytes go after them.
HttpReading ReadHttpAnswer(char* received, size_t* size, bool closed, char (&body)[kHttpBodyLimitBytes],
                           HttpAnswer* answer);

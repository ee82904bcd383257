// Answers of the game's client API as they come over the socket, in bytes:
// each case is what was received (and whether the stream then ended) and
// what the reader must make of it. Only a whole, plainly framed answer is
// one; anything that bends the framing gives the connection up.
#include "watch/http_answer.h"
#ifdef _WINDOWS_
#error "the HTTP answer reader must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

// "incomplete", "broken", or "STATUS keep|close BODY" for a whole answer
// that took all the bytes, with "+N" when N bytes were left after it.
std::string Read(const std::string& received, bool closed = false)
{
    // From a heap block of exactly the bytes, so a read past them is seen.
    std::unique_ptr<char[]> exact(new char[received.size() + 1]);
    std::memcpy(exact.get(), received.data(), received.size());
    char body[kHttpBodyLimitBytes];
    HttpAnswer answer = {};
    size_t size = received.size();
    switch (ReadHttpAnswer(exact.get(), &size, closed, body, &answer)) {
    case HttpReading::Incomplete: return "incomplete";
    case HttpReading::Broken: return "broken";
    case HttpReading::Complete: break;
    }
    std::string text = std::to_string(answer.status) + (answer.keepAlive ? " keep " : " close ") +
                       std::string(body, answer.bodySize);
    if (answer.length != size)
        text += " +" + std::to_string(size - answer.length);
    return text;
}

// The answer as the connection takes it in: into a buffer of the receive
// bound, `piece` bytes at a time, read after each. "overflow" when the
// buffer filled without a whole answer.
std::string ReadAsReceived(const std::string& wire, size_t piece)
{
    static char received[kHttpReceiveLimitBytes];
    char body[kHttpBodyLimitBytes];
    size_t size = 0;
    for (size_t sent = 0; sent < wire.size();) {
        const size_t taken = std::min({piece, wire.size() - sent, sizeof received - size});
        if (taken == 0)
            return "overflow";
        std::memcpy(received + size, wire.data() + sent, taken);
        size += taken;
        sent += taken;
        HttpAnswer answer = {};
        const HttpReading reading = ReadHttpAnswer(received, &size, false, body, &answer);
        if (reading == HttpReading::Broken)
            return "broken";
        if (reading == HttpReading::Complete)
            return std::to_string(answer.status) + " " + std::string(body, answer.bodySize) +
                   (sent == wire.size() && answer.length == size ? "" : " early");
    }
    return "incomplete";
}

const std::string kHead = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 21\r\n\r\n";
const std::string kBody = "{\"activeScreens\": []}";

struct AnswerCase {
    const char* name;
    std::string received;
    bool closed;
    std::string expected;
};

const AnswerCase kCases[] = {
    // What the game sends, and what a server may send as well.
    {"the game's answer", kHead + kBody, false, "200 keep " + kBody},
    {"the head alone so far", kHead, false, "incomplete"},
    {"half the body so far", kHead + kBody.substr(0, 10), false, "incomplete"},
    {"half the head so far", kHead.substr(0, 20), false, "incomplete"},
    {"nothing so far", "", false, "incomplete"},
    {"Connection: close", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\n{}", false, "200 close {}"},
    {"HTTP/1.0 closes unless kept alive", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n{}", false, "200 close {}"},
    {"HTTP/1.0 kept alive", "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 2\r\n\r\n{}", false,
     "200 keep {}"},
    {"header names in any letter case", "HTTP/1.1 200 OK\r\ncontent-LENGTH:2\r\n\r\n{}", false, "200 keep {}"},
    {"the same length twice", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\n{}", false,
     "200 keep {}"},
    {"a reason of several words", "HTTP/1.1 404 Not Found Here\r\nContent-Length: 0\r\n\r\n", false, "404 keep "},
    {"no reason at all", "HTTP/1.1 500\r\nContent-Length: 3\r\n\r\nbad", false, "500 keep bad"},
    {"a redirect is only a status", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:7000/ui\r\nContent-Length: 0\r\n\r\n",
     false, "302 keep "},
    {"no content", "HTTP/1.1 204 No Content\r\n\r\n", false, "204 keep "},
    {"bytes after the answer", kHead + kBody + "HTTP/1.1", false, "200 keep " + kBody + " +8"},
    {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n{\"a\":\r\n3;ext=1\r\n[]}\r\n0\r\n\r\n",
     false, "200 keep {\"a\":[]}"},
    {"chunked with a trailer", "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n2\r\n{}\r\n0\r\nX-T: 1\r\n\r\n",
     false, "200 keep {}"},
    {"chunked, hex digits in both cases", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na\r\n0123456789\r\n"
                                          "A\r\nabcdefghij\r\n0\r\n\r\n",
     false, "200 keep 0123456789abcdefghij"},
    {"chunked, the last chunk not yet", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n", false,
     "incomplete"},
    {"a body to the end of the stream", "HTTP/1.1 200 OK\r\n\r\n{}", true, "200 close {}"},
    {"a body to the end of the stream, not yet ended", "HTTP/1.1 200 OK\r\n\r\n{}", false, "incomplete"},

    // What is not such an answer.
    {"the stream ended in the body", kHead + kBody.substr(0, 10), true, "broken"},
    {"the stream ended in the head", kHead.substr(0, 20), true, "broken"},
    {"the stream ended before anything", "", true, "broken"},
    {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", false, "broken"},
    {"HTTP/2", "HTTP/2 200\r\ncontent-length: 2\r\n\r\n{}", false, "broken"},
    {"a status of two digits", "HTTP/1.1 20 OK\r\nContent-Length: 0\r\n\r\n", false, "broken"},
    {"a status of letters", "HTTP/1.1 2x0 OK\r\nContent-Length: 0\r\n\r\n", false, "broken"},
    {"four digits", "HTTP/1.1 2000 OK\r\nContent-Length: 0\r\n\r\n", false, "broken"},
    {"an interim answer", "HTTP/1.1 100 Continue\r\n\r\n", false, "broken"},
    {"lengths that differ", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}x", false, "broken"},
    {"a length with a sign", "HTTP/1.1 200 OK\r\nContent-Length: +2\r\n\r\n{}", false, "broken"},
    {"a length that is not a number", "HTTP/1.1 200 OK\r\nContent-Length: two\r\n\r\n{}", false, "broken"},
    {"a length beyond every bound", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n", false, "broken"},
    {"a body over the bound", "HTTP/1.1 200 OK\r\nContent-Length: 16385\r\n\r\n", false, "broken"},
    {"both a length and chunks", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n",
     false, "broken"},
    {"a coding other than chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", false, "broken"},
    {"chunks said twice", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
     false, "broken"},
    {"a chunk size that is not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, "broken"},
    {"a chunk size with a sign", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-1\r\n", false, "broken"},
    {"a chunk larger than the bound", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4001\r\n", false, "broken"},
    {"a chunk size of too many digits", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n000000002\r\n", false,
     "broken"},
    {"a chunk not followed by its line end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}xx0\r\n\r\n",
     false, "broken"},
    {"a header line without a colon", "HTTP/1.1 200 OK\r\nContent-Length 2\r\n\r\n{}", false, "broken"},
    {"a folded header line", "HTTP/1.1 200 OK\r\nX-A: 1\r\n  more\r\nContent-Length: 2\r\n\r\n{}", false, "broken"},
    {"a blank in a header's name", "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n\r\n{}", false, "broken"},
    {"a bare line feed in the head", "HTTP/1.1 200 OK\nContent-Length: 2\r\n\r\n{}", false, "broken"},
    {"a zero byte in the head", std::string("HTTP/1.1 200 OK\r\nX: a") + '\0' + "b\r\nContent-Length: 2\r\n\r\n{}",
     false, "broken"},
    {"control bytes before the status line", "\x01\x02HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}", false, "broken"},
};

TEST(HttpAnswer, EachReceivedTextReadsAsItsAnswer)
{
    for (const AnswerCase& c : kCases)
        EXPECT_EQ(Read(c.received, c.closed), c.expected) << "case \"" << c.name << "\"";
}

// Every prefix of a well-framed answer is only incomplete: no cut reads as
// a whole answer, and none as broken.
TEST(HttpAnswer, EveryCutOfAGoodAnswerIsIncomplete)
{
    const std::string chunked =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n{\"a\":\r\n3\r\n[]}\r\n0\r\nX: y\r\n\r\n";
    for (const std::string& whole : {kHead + kBody, chunked}) {
        for (size_t cut = 0; cut < whole.size(); ++cut)
            ASSERT_EQ(Read(whole.substr(0, cut)), "incomplete") << "cut at " << cut << " of " << whole;
        EXPECT_NE(Read(whole), "incomplete");
    }
}

TEST(HttpAnswer, TheBoundsOfHeadAndBody)
{
    const std::string longest(kHttpBodyLimitBytes, 'x');
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\nContent-Length: 16384\r\n\r\n" + longest),
              "200 keep " + longest);
    const std::string chunkedLongest = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2000\r\n" +
                                       longest.substr(0, 8192) + "\r\n2000\r\n" + longest.substr(0, 8192) +
                                       "\r\n0\r\n\r\n";
    EXPECT_EQ(Read(chunkedLongest), "200 keep " + longest);
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2000\r\n" + longest.substr(0, 8192) +
                   "\r\n2001\r\n"),
              "broken")
        << "chunks that add up to more than the bound";
    const std::string padding = "X-Padding: " + std::string(kHttpHeadLimitBytes, 'p') + "\r\n";
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n" + padding), "broken") << "a head that never ends";
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n" + padding + "Content-Length: 0\r\n\r\n"), "broken");
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n\r\n" + longest + "x"), "broken") << "a body to the end of the stream";
    EXPECT_EQ(Read(std::string(kHttpReceiveLimitBytes + 1, 'H')), "broken");
}

// Small chunks carry more framing than body: 7000 bytes in 1-byte chunks are
// 42 KB on the wire, more than the receive buffer holds at once.
TEST(HttpAnswer, SmallChunksAreBoundByTheirBodyNotTheirFraming)
{
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    std::string body;
    std::string wire = head;
    for (size_t i = 0; i < 7000; ++i) {
        body += char('a' + i % 26);
        wire += "1\r\n" + body.substr(i) + "\r\n";
    }
    wire += "0\r\n\r\n";
    ASSERT_GT(wire.size(), kHttpReceiveLimitBytes);
    for (const size_t piece : {size_t(1), size_t(7), size_t(4096), wire.size()})
        EXPECT_EQ(ReadAsReceived(wire, piece), "200 " + body) << "taken in " << piece << " bytes at a time";

    std::string tooLong = head;
    for (size_t i = 0; i <= kHttpBodyLimitBytes; ++i)
        tooLong += "1\r\nx\r\n";
    EXPECT_EQ(ReadAsReceived(tooLong, 4096), "broken") << "small chunks beyond the body's bound";
    const std::string longLine = head + "1;" + std::string(kHttpHeadLimitBytes, 'e') + "\r\nx\r\n0\r\n\r\n";
    EXPECT_EQ(ReadAsReceived(longLine, longLine.size()), "broken") << "a chunk's line over its bound";
}

} // namespace

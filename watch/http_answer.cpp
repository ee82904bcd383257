#include "watch/http_answer.h"

#include <cstdio>
#include <cstring>

namespace {

struct Span {
    const char* data;
    size_t size;
};

// A chunk-size line or a trailer is a short line; one longer is no HTTP.
constexpr size_t kChunkLineLimitBytes = 1024;
// The most hex digits a chunk size may have before it must be too large.
constexpr size_t kChunkSizeDigits = 8;

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(Span a, const char* b)
{
    const size_t length = std::strlen(b);
    if (a.size != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(a.data[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

Span Trimmed(Span span)
{
    while (span.size > 0 && IsBlank(span.data[0])) {
        ++span.data;
        --span.size;
    }
    while (span.size > 0 && IsBlank(span.data[span.size - 1]))
        --span.size;
    return span;
}

// Where CR LF begins at or after `from`, or span.size.
size_t FindLineEnd(Span span, size_t from)
{
    for (size_t i = from; i + 1 < span.size; ++i) {
        if (span.data[i] == '\r' && span.data[i + 1] == '\n')
            return i;
    }
    return span.size;
}

// Only digits, and not more than `limit`.
bool ReadDecimal(Span span, size_t limit, size_t* value)
{
    if (span.size == 0)
        return false;
    size_t number = 0;
    for (size_t i = 0; i < span.size; ++i) {
        const char c = span.data[i];
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + size_t(c - '0');
        if (number > limit)
            return false;
    }
    *value = number;
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A header's name is a token: visible characters other than the separators.
bool IsTokenCharacter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
}

struct Head {
    int status = 0;
    bool http11 = false;
    bool chunked = false;
    bool hasLength = false;
    size_t contentLength = 0;
    bool saysClose = false;
    bool saysKeepAlive = false;
};

// "HTTP/1.1 200 OK": the version, three digits, then a reason or nothing.
bool ReadStatusLine(Span line, Head* head)
{
    static const char kVersion10[] = "HTTP/1.0 ";
    static const char kVersion11[] = "HTTP/1.1 ";
    const size_t prefix = sizeof kVersion10 - 1;
    if (line.size < prefix + 3)
        return false;
    if (std::memcmp(line.data, kVersion11, prefix) == 0)
        head->http11 = true;
    else if (std::memcmp(line.data, kVersion10, prefix) != 0)
        return false;
    size_t status = 0;
    if (!ReadDecimal({line.data + prefix, 3}, 999, &status) || status < 100)
        return false;
    if (line.size > prefix + 3 && line.data[prefix + 3] != ' ')
        return false;
    head->status = int(status);
    return true;
}

void ReadConnectionTokens(Span value, Head* head)
{
    size_t begin = 0;
    while (begin <= value.size) {
        size_t end = begin;
        while (end < value.size && value.data[end] != ',')
            ++end;
        const Span token = Trimmed({value.data + begin, end - begin});
        head->saysClose = head->saysClose || EqualsIgnoringCase(token, "close");
        head->saysKeepAlive = head->saysKeepAlive || EqualsIgnoringCase(token, "keep-alive");
        begin = end + 1;
    }
}

bool ReadHeaderLine(Span line, bool* sawEncoding, Head* head)
{
    size_t colon = 0;
    while (colon < line.size && line.data[colon] != ':') {
        if (!IsTokenCharacter(line.data[colon]))
            return false;  // folded lines and names with blanks among them
        ++colon;
    }
    if (colon == 0 || colon == line.size)
        return false;
    const Span name = {line.data, colon};
    const Span value = Trimmed({line.data + colon + 1, line.size - colon - 1});
    if (EqualsIgnoringCase(name, "Content-Length")) {
        size_t length = 0;
        // A body longer than the bound is refused whatever it holds.
        if (!ReadDecimal(value, kHttpReceiveLimitBytes, &length))
            return false;
        if (head->hasLength && length != head->contentLength)
            return false;
        head->hasLength = true;
        head->contentLength = length;
    } else if (EqualsIgnoringCase(name, "Transfer-Encoding")) {
        // Only chunked framing is read; any coding of the body is not.
        if (*sawEncoding || !EqualsIgnoringCase(value, "chunked"))
            return false;
        *sawEncoding = true;
        head->chunked = true;
    } else if (EqualsIgnoringCase(name, "Connection")) {
        ReadConnectionTokens(value, head);
    }
    return true;
}

// The head without its final blank line; only a tab may stand among the
// control characters of a line.
bool ReadHead(Span text, Head* head)
{
    bool sawEncoding = false;
    size_t begin = 0;
    bool first = true;
    while (begin < text.size) {
        const size_t end = FindLineEnd(text, begin);
        const Span line = {text.data + begin, end - begin};
        for (size_t i = 0; i < line.size; ++i) {
            if (static_cast<unsigned char>(line.data[i]) < 0x20 && line.data[i] != '\t')
                return false;
        }
        if (first ? !ReadStatusLine(line, head) : !ReadHeaderLine(line, &sawEncoding, head))
            return false;
        first = false;
        begin = end + 2;
    }
    // A framing said twice over, by length and by chunks, could be read two ways.
    return !first && !(head->chunked && head->hasLength);
}

// How far the chunks are read while the answer is still incomplete: the
// bytes of `text` up to `end` are whole chunks, `total` bytes of body.
struct ChunksRead {
    size_t end = 0;
    size_t total = 0;
    size_t count = 0;
};

// The chunked body in `text`, taken off its framing into `body`.
HttpReading ReadChunks(Span text, char (&body)[kHttpBodyLimitBytes], size_t* bodySize, size_t* used,
                       ChunksRead* read)
{
    size_t at = 0;
    size_t total = 0;
    for (;;) {
        read->end = at;
        const size_t lineEnd = FindLineEnd(text, at);
        if (lineEnd == text.size)
            return text.size - at > kChunkLineLimitBytes ? HttpReading::Broken : HttpReading::Incomplete;
        if (lineEnd - at > kChunkLineLimitBytes)
            return HttpReading::Broken;
        Span sizeText = {text.data + at, lineEnd - at};
        for (size_t i = 0; i < sizeText.size; ++i) {
            if (sizeText.data[i] == ';') {
                sizeText.size = i;
                break;
            }
        }
        sizeText = Trimmed(sizeText);
        if (sizeText.size == 0 || sizeText.size > kChunkSizeDigits)
            return HttpReading::Broken;
        size_t chunk = 0;
        for (size_t i = 0; i < sizeText.size; ++i) {
            const int digit = HexValue(sizeText.data[i]);
            if (digit < 0)
                return HttpReading::Broken;
            chunk = chunk * 16 + size_t(digit);
        }
        at = lineEnd + 2;
        if (chunk == 0)
            break;
        if (chunk > kHttpBodyLimitBytes - total)
            return HttpReading::Broken;
        if (text.size - at < chunk + 2)
            return HttpReading::Incomplete;
        if (text.data[at + chunk] != '\r' || text.data[at + chunk + 1] != '\n')
            return HttpReading::Broken;
        std::memcpy(body + total, text.data + at, chunk);
        total += chunk;
        at += chunk + 2;
        read->total = total;
        ++read->count;
    }
    // Trailers, if any, then the blank line that ends the answer.
    read->count = 0;  // nothing left to join
    for (;;) {
        const size_t lineEnd = FindLineEnd(text, at);
        if (lineEnd == text.size)
            return text.size - at > kChunkLineLimitBytes ? HttpReading::Broken : HttpReading::Incomplete;
        const Span line = {text.data + at, lineEnd - at};
        at = lineEnd + 2;
        if (line.size == 0)
            break;
        if (std::memchr(line.data, ':', line.size) == nullptr)
            return HttpReading::Broken;
    }
    *bodySize = total;
    *used = at;
    return HttpReading::Complete;
}

// The whole chunks read so far, written over their framing as one chunk:
// small chunks then take no more room than the body they carry, and the
// bytes still read as the same answer. Returns how many bytes `text` holds
// afterwards.
size_t JoinReadChunks(char* text, size_t size, const char (&body)[kHttpBodyLimitBytes], const ChunksRead& read)
{
    // The body's bound has four hex digits; the line and the chunk's end.
    char sizeLine[kChunkSizeDigits + 3];
    const int lineLength = std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", read.total);
    if (read.count < 2 || lineLength <= 0 || size_t(lineLength) + read.total + 2 >= read.end)
        return size;
    size_t at = 0;
    std::memcpy(text + at, sizeLine, size_t(lineLength));
    at += size_t(lineLength);
    std::memcpy(text + at, body, read.total);
    at += read.total;
    text[at++] = '\r';
    text[at++] = '\n';
    std::memmove(text + at, text + read.end, size - read.end);
    return at + size - read.end;
}

HttpReading ReadBody(const Head& head, Span rest, bool closed, char (&body)[kHttpBodyLimitBytes], size_t* bodySize,
                     size_t* used, bool* delimitedByClose, ChunksRead* chunks)
{
    *delimitedByClose = false;
    if (head.status == 204 || head.status == 304) {
        *bodySize = 0;
        *used = 0;
        return HttpReading::Complete;
    }
    if (head.chunked)
        return ReadChunks(rest, body, bodySize, used, chunks);
    size_t length = head.contentLength;
    if (!head.hasLength) {
        // The body runs to the end of the stream.
        if (!closed)
            return rest.size > kHttpBodyLimitBytes ? HttpReading::Broken : HttpReading::Incomplete;
        length = rest.size;
        *delimitedByClose = true;
    }
    if (length > kHttpBodyLimitBytes)
        return HttpReading::Broken;
    if (rest.size < length)
        return HttpReading::Incomplete;
    std::memcpy(body, rest.data, length);
    *bodySize = length;
    *used = length;
    return HttpReading::Complete;
}

HttpReading ReadWhole(char* received, size_t* held, bool closed, char (&body)[kHttpBodyLimitBytes],
                      HttpAnswer* answer)
{
    const size_t size = *held;
    if (received == nullptr || size > kHttpReceiveLimitBytes)
        return HttpReading::Broken;
    const Span text = {received, size};
    size_t headEnd = 0;
    while ((headEnd = FindLineEnd(text, headEnd)) + 3 < size &&
           !(received[headEnd + 2] == '\r' && received[headEnd + 3] == '\n'))
        headEnd += 2;
    if (headEnd + 3 >= size)
        return size > kHttpHeadLimitBytes ? HttpReading::Broken : HttpReading::Incomplete;
    if (headEnd + 4 > kHttpHeadLimitBytes)
        return HttpReading::Broken;
    Head head;
    if (!ReadHead({received, headEnd}, &head) || head.status < 200)
        return HttpReading::Broken;
    const size_t bodyStart = headEnd + 4;
    size_t bodySize = 0;
    size_t used = 0;
    bool delimitedByClose = false;
    ChunksRead chunks;
    const HttpReading reading = ReadBody(head, {received + bodyStart, size - bodyStart}, closed, body, &bodySize,
                                         &used, &delimitedByClose, &chunks);
    if (reading == HttpReading::Incomplete && head.chunked)
        *held = bodyStart + JoinReadChunks(received + bodyStart, size - bodyStart, body, chunks);
    if (reading != HttpReading::Complete)
        return reading;
    answer->status = head.status;
    answer->keepAlive = !delimitedByClose && !head.saysClose && (head.http11 || head.saysKeepAlive);
    answer->length = bodyStart + used;
    answer->bodySize = bodySize;
    return HttpReading::Complete;
}

} // namespace

HttpReading ReadHttpAnswer(char* received, size_t* size, bool closed, char (&body)[kHttpBodyLimitBytes],
                           HttpAnswer* answer)
{
    const HttpReading reading = ReadWhole(received, size, closed, body, answer);
    // An answer the stream ended in the middle of will never be whole.
    return reading == HttpReading::Incomplete && closed ? HttpReading::Broken : reading;
}

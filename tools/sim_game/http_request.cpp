// HTTP/1.1 keeps a connection open unless told "Connection: close"; HTTP/1.0
// closes it unless told "Connection: keep-alive". WinHTTP, which the product
// uses, speaks 1.1 and keeps one connection for many requests.
#include "sim_game/http_request.h"

#include <cctype>
#include <cstdlib>

namespace {

// A Content-Length past this is refused rather than read.
constexpr unsigned long long kLongestContentLength = 1ull << 30;

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whether the comma-separated list of tokens holds `token` (lower case).
bool ListHolds(const std::string& list, const std::string& token)
{
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        if (Trimmed(Lowered(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start))) ==
            token)
            return true;
        if (comma == std::string::npos)
            return false;
        start = comma + 1;
    }
}

bool ParseRequestLine(const std::string& line, HttpRequest* request)
{
    const size_t firstSpace = line.find(' ');
    const size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace <= firstSpace + 1)
        return false;
    request->method = line.substr(0, firstSpace);
    const std::string target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request->path = target.substr(0, target.find('?'));
    request->version = line.substr(lastSpace + 1);
    return request->version == "HTTP/1.1" || request->version == "HTTP/1.0";
}

} // namespace

bool ParseRequestHead(const std::string& head, HttpRequest* request)
{
    size_t lineEnd = head.find("\r\n");
    if (!ParseRequestLine(head.substr(0, lineEnd), request))
        return false;
    bool saysClose = false;
    bool saysKeepAlive = false;
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = Lowered(Trimmed(line.substr(0, colon)));
        const std::string value = Trimmed(line.substr(colon + 1));
        if (name == "connection") {
            saysClose = saysClose || ListHolds(value, "close");
            saysKeepAlive = saysKeepAlive || ListHolds(value, "keep-alive");
        } else if (name == "content-length") {
            char* end = nullptr;
            const unsigned long long length = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || length > kLongestContentLength)
                return false;
            request->contentLength = size_t(length);
        } else if (name == "transfer-encoding") {
            request->chunked = true;
        }
    }
    request->keepAlive = request->version == "HTTP/1.1" ? !saysClose : saysKeepAlive && !saysClose;
    return true;
}

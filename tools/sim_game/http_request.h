// Reads the head of one HTTP request as the simulated client API needs it:
// which path, and whether the connection stays open after the answer.
#pragma once
#include <cstddef>
#include <string>

struct HttpRequest {
    std::string method;
    std::string path;  // the target without its query
    std::string version;
    bool keepAlive = false;
    size_t contentLength = 0;
    bool chunked = false;  // a request body this server does not read
};

// `head` is the request line and header lines, without the blank line that
// ends them. False when the request line is not "METHOD TARGET HTTP/x.y" or
// a Content-Length is not a number.
bool ParseRequestHead(const std::string& head, HttpRequest* request);

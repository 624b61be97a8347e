// HTTP and HTTPS requests through WinHTTP, with the system's proxy settings
// and certificate checks (a certificate the system does not trust is
// refused, never accepted quietly). Blocking: call it from a worker thread,
// never from a window's thread. winhttp.dll is loaded at the first request;
// where it cannot be, every request fails with a message that says so.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string verb = "GET";
    std::string url;      // http:// or https://
    HttpHeaders headers;  // sent as given ("If-None-Match", "Depth", ...)
    std::string body;
    std::size_t answerLimit = 20u * 1024 * 1024;  // a longer answer is refused
    int redirectLimit = 8;                        // more (a loop) is refused
    int stepTimeoutMs = 30000;   // each of: name lookup, connect, send, each receive
    int totalTimeoutMs = 120000;  // the whole answer, also from a server that trickles
};

struct HttpResult {
    std::string error;  // empty when an answer came; else what went wrong, for the user
    int status = 0;
    HttpHeaders headers;  // of the last answer, in order
    std::string body;
    std::string finalUrl;  // after redirections

    // The first header of that name (case ignored), or "".
    std::string Header(const char* name) const;
};

// Requests sent through one session share its connections, kept alive: many
// requests to one server cost one connection and one TLS handshake. Opened
// with its first request; for one thread at a time.
class HttpSession {
public:
    HttpSession() = default;
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

private:
    friend HttpResult HttpSend(const HttpRequest& request, HttpSession* session);
    void* m_handle = nullptr;
};

// Without a session, the request has one of its own.
HttpResult HttpSend(const HttpRequest& request, HttpSession* session = nullptr);

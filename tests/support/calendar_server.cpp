#include "tests/support/calendar_server.h"

#include <windows.h>

#include <winhttp.h>

#include <sstream>

#include "tests/support/test_files.h"

namespace {

// One GET to the control server; its answer does not matter.
void Get(int port, const wchar_t* path) {
    HINTERNET session = WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = WinHttpConnect(session, L"127.0.0.1", static_cast<INTERNET_PORT>(port), 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                           0, 0))
        WinHttpReceiveResponse(request, nullptr);
    for (HINTERNET h : {request, connection, session})
        if (h != nullptr) WinHttpCloseHandle(h);
}

}  // namespace

CalendarServer::CalendarServer() : folder_(WinePathOf(VELLUMO_CALENDAR_SERVER_DIR)) {
    std::istringstream ports(ReadFileText(folder_ + "\\ports"));
    ports >> httpPort_ >> httpsPort_ >> controlPort_;
    if (!ports) httpPort_ = 0;
}

std::string CalendarServer::HttpUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
}

std::string CalendarServer::HttpsUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(httpsPort_) + path;
}

void CalendarServer::Put(const std::string& name, const std::string& bytes) const {
    WriteFileBytes(folder_ + "\\root\\" + name, bytes);
}

int CalendarServer::Count(const std::string& linePrefix) const {
    std::istringstream log(ReadFileText(folder_ + "\\log"));
    int n = 0;
    for (std::string line; std::getline(log, line);)
        if (line.compare(0, linePrefix.size(), linePrefix) == 0) ++n;
    return n;
}

void CalendarServer::StopPlain() const { Get(controlPort_, L"/stop"); }

void CalendarServer::StartPlain() const { Get(controlPort_, L"/start"); }

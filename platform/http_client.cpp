#include "platform/http_client.h"

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/base/unique_handle.h"
#include "core/sync/dav_url.h"
#include "platform/system_library.h"

namespace {

// The WinHTTP functions this client calls, taken from winhttp.dll when the
// first request is sent: most starts fetch nothing, and importing it would
// load it and its dependencies at every start.
struct WinHttpApi {
    decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) GetIEProxyConfigForCurrentUser = nullptr;
    decltype(&::WinHttpGetProxyForUrl) GetProxyForUrl = nullptr;
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSetStatusCallback) SetStatusCallback = nullptr;
    decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
    bool loaded = false;

    WinHttpApi() {
        const HMODULE module = LoadSystemLibrary("winhttp.dll");
        loaded =
            module != nullptr && BindExport(module, "WinHttpCloseHandle", CloseHandle) &&
            BindExport(module, "WinHttpConnect", Connect) &&
            BindExport(module, "WinHttpCrackUrl", CrackUrl) &&
            BindExport(module, "WinHttpGetIEProxyConfigForCurrentUser",
                       GetIEProxyConfigForCurrentUser) &&
            BindExport(module, "WinHttpGetProxyForUrl", GetProxyForUrl) &&
            BindExport(module, "WinHttpOpen", Open) &&
            BindExport(module, "WinHttpOpenRequest", OpenRequest) &&
            BindExport(module, "WinHttpQueryDataAvailable", QueryDataAvailable) &&
            BindExport(module, "WinHttpQueryHeaders", QueryHeaders) &&
            BindExport(module, "WinHttpReadData", ReadData) &&
            BindExport(module, "WinHttpReceiveResponse", ReceiveResponse) &&
            BindExport(module, "WinHttpSendRequest", SendRequest) &&
            BindExport(module, "WinHttpSetOption", SetOption) &&
            BindExport(module, "WinHttpSetStatusCallback", SetStatusCallback) &&
            BindExport(module, "WinHttpSetTimeouts", SetTimeouts);
    }
};

// Loaded once, by whichever thread asks first.
const WinHttpApi& Http() {
    static const WinHttpApi api;
    return api;
}

const char kNoWinHttp[] = "Windows HTTP Services (winhttp.dll) are not available.";

struct InternetTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { Http().CloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetTraits>;

// Strings WinHTTP hands out for the caller to free.
struct GlobalText {
    LPWSTR text = nullptr;
    ~GlobalText() {
        if (text != nullptr) ::GlobalFree(text);
    }
};

std::wstring Wide(const std::string& text, UINT codePage = CP_ACP) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP) {
    if (text.empty()) return std::string();
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string narrow(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                              n, nullptr, nullptr);
    return narrow;
}

bool SameName(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

struct UrlParts {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // with the query
};

bool CrackUrl(const std::wstring& url, UrlParts& out) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength =
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!Http().CrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    out.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    out.port = parts.nPort;
    out.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    out.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (out.path.empty()) out.path = L"/";
    return !out.host.empty();
}

// A Location header's address, taken against the address it answered.
std::string ResolveLocation(const std::string& base, const std::string& location) {
    if (location.find("://") != std::string::npos) return location;
    const std::size_t schemeEnd = base.find("://");
    if (schemeEnd == std::string::npos) return location;
    if (location.compare(0, 2, "//") == 0) return base.substr(0, schemeEnd + 1) + location;
    const std::size_t pathStart = base.find('/', schemeEnd + 3);
    const std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
    if (!location.empty() && location[0] == '/') return origin + location;
    std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    return origin + path.substr(0, path.rfind('/') + 1) + location;
}

// The proxy the user's settings give for this address: an automatic
// configuration (detected or a script) first, then a named proxy.
void UseSystemProxy(HINTERNET session, HINTERNET request, const std::wstring& url) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    if (!Http().GetIEProxyConfigForCurrentUser(&ie)) return;
    GlobalText autoUrl{ie.lpszAutoConfigUrl}, proxy{ie.lpszProxy}, bypass{ie.lpszProxyBypass};
    if (ie.fAutoDetect || autoUrl.text != nullptr) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        if (autoUrl.text != nullptr) {
            options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = autoUrl.text;
        }
        if (ie.fAutoDetect) {
            options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO info{};
        if (Http().GetProxyForUrl(session, url.c_str(), &options, &info)) {
            GlobalText found{info.lpszProxy}, foundBypass{info.lpszProxyBypass};
            Http().SetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
            return;
        }
    }
    if (proxy.text != nullptr) {
        WINHTTP_PROXY_INFO info{};
        info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        info.lpszProxy = proxy.text;
        info.lpszProxyBypass = bypass.text;
        Http().SetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
    }
}

// What the certificate check found, as the status callback reports it.
void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context != 0 && info != nullptr &&
        length >= sizeof(DWORD))
        *reinterpret_cast<DWORD*>(context) |= *static_cast<DWORD*>(info);
}

std::string CertificateMessage(DWORD flags) {
    std::string why;
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID)
        why = "it has expired or is not yet valid";
    else if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID)
        why = "it was issued for another name";
    else if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED)
        why = "it was revoked";
    else if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA)
        why = "it is not issued by an authority this computer trusts";
    else if (flags & (WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT |
                      WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED))
        why = "it could not be checked";
    else
        why = "it is not trusted or the secure connection failed";
    return "The server's certificate was refused: " + why + ".";
}

// Wine's WinHTTP hands some socket errors through as they are.
constexpr DWORD kSocketTimedOut = 10060;  // WSAETIMEDOUT
constexpr DWORD kSocketRefused = 10061;   // WSAECONNREFUSED

std::string ErrorMessage(DWORD error, DWORD certificateFlags) {
    switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: {
        DWORD flags = certificateFlags;
        if (error == ERROR_WINHTTP_SECURE_INVALID_CA) flags |= WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
        if (error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID)
            flags |= WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID;
        if (error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID)
            flags |= WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID;
        if (error == ERROR_WINHTTP_SECURE_CERT_REVOKED)
            flags |= WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED;
        return CertificateMessage(flags);
    }
    case ERROR_WINHTTP_TIMEOUT:
    case kSocketTimedOut:
        return "The server did not answer in time.";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "The server's name could not be found.";
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case kSocketRefused:
        return "Could not connect to the server.";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return "The server's answer is not HTTP.";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL:
        return "The address is not a web address.";
    default:
        return "The connection failed (error " + std::to_string(error) + ").";
    }
}

HttpHeaders ReadHeaders(HINTERNET request) {
    HttpHeaders headers;
    DWORD size = 0;
    Http().QueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                          WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    if (size == 0) return headers;
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    if (!Http().QueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF,
                               WINHTTP_HEADER_NAME_BY_INDEX, &raw[0], &size,
                               WINHTTP_NO_HEADER_INDEX))
        return headers;
    raw.resize(size / sizeof(wchar_t));
    const std::string text = Narrow(raw, CP_UTF8);
    std::size_t pos = text.find("\r\n");  // past the status line
    while (pos != std::string::npos) {
        pos += 2;
        const std::size_t end = text.find("\r\n", pos);
        const std::string line = text.substr(pos, end == std::string::npos ? end : end - pos);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            const std::size_t value = line.find_first_not_of(" \t", colon + 1);
            headers.emplace_back(line.substr(0, colon),
                                 value == std::string::npos ? std::string() : line.substr(value));
        }
        pos = end;
    }
    return headers;
}

const std::string kTooLarge = "The answer is larger than the limit of ";

std::string LimitText(std::size_t limit) {
    return kTooLarge + std::to_string(limit / (1024 * 1024)) + " MB.";
}

// One request and its answer, without following a redirection.
HttpResult SendOnce(HINTERNET session, const HttpRequest& request, const std::string& url,
                    ULONGLONG deadline) {
    HttpResult result;
    result.finalUrl = url;
    const std::wstring wideUrl = Wide(url);
    UrlParts parts;
    if (!CrackUrl(wideUrl, parts)) {
        result.error = "The address is not a web address.";
        return result;
    }
    InternetHandle connection(Http().Connect(session, parts.host.c_str(), parts.port, 0));
    if (!connection.Valid()) {
        result.error = ErrorMessage(::GetLastError(), 0);
        return result;
    }
    const std::wstring verb = Wide(request.verb);
    InternetHandle handle(Http().OpenRequest(connection.Get(), verb.c_str(), parts.path.c_str(),
                                               nullptr, WINHTTP_NO_REFERER,
                                               WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!handle.Valid()) {
        result.error = ErrorMessage(::GetLastError(), 0);
        return result;
    }
    // On the request itself too: Wine's WinHTTP does not carry the session's
    // limits over to the wait for an answer.
    const int step = request.stepTimeoutMs;
    Http().SetTimeouts(handle.Get(), step, step, step, step);
    DWORD answerWait = static_cast<DWORD>(step);
    Http().SetOption(handle.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerWait,
                       sizeof answerWait);
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    Http().SetOption(handle.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                       sizeof noRedirects);
    UseSystemProxy(session, handle.Get(), wideUrl);

    std::wstring headers;
    for (const auto& header : request.headers)
        headers += Wide(header.first + ": " + header.second + "\r\n", CP_UTF8);
    DWORD certificateFlags = 0;
    const DWORD bodySize = static_cast<DWORD>(request.body.size());
    if (!Http().SendRequest(handle.Get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS
                                                             : headers.c_str(),
                              static_cast<DWORD>(headers.size()),
                              bodySize ? const_cast<char*>(request.body.data()) : nullptr,
                              bodySize, bodySize, reinterpret_cast<DWORD_PTR>(&certificateFlags)) ||
        !Http().ReceiveResponse(handle.Get(), nullptr)) {
        result.error = ErrorMessage(::GetLastError(), certificateFlags);
        return result;
    }
    DWORD status = 0, size = sizeof status;
    Http().QueryHeaders(handle.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    result.status = static_cast<int>(status);
    result.headers = ReadHeaders(handle.Get());
    const std::string length = result.Header("Content-Length");
    if (!length.empty() && length.size() < 20 &&
        std::strtoull(length.c_str(), nullptr, 10) > request.answerLimit) {
        result.error = LimitText(request.answerLimit);
        return result;
    }
    if (request.verb == "HEAD") return result;
    for (;;) {
        DWORD available = 0;
        if (!Http().QueryDataAvailable(handle.Get(), &available)) {
            result.error = ErrorMessage(::GetLastError(), 0);
            return result;
        }
        if (available == 0) break;
        if (result.body.size() + available > request.answerLimit) {
            result.error = LimitText(request.answerLimit);
            return result;
        }
        const std::size_t at = result.body.size();
        result.body.resize(at + available);
        DWORD read = 0;
        if (!Http().ReadData(handle.Get(), &result.body[at], available, &read)) {
            result.error = ErrorMessage(::GetLastError(), 0);
            return result;
        }
        result.body.resize(at + read);
        if (read == 0) break;
        if (::GetTickCount64() > deadline) {
            result.error = "The server did not send its whole answer in time.";
            return result;
        }
    }
    return result;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

std::string HttpResult::Header(const char* name) const {
    for (const auto& header : headers)
        if (SameName(header.first, name)) return header.second;
    return std::string();
}

HttpSession::~HttpSession() {
    if (m_handle != nullptr) Http().CloseHandle(static_cast<HINTERNET>(m_handle));
}

HttpResult HttpSend(const HttpRequest& request, HttpSession* shared) {
    HttpResult result;
    if (!Http().loaded) {
        result.error = kNoWinHttp;
        return result;
    }
    InternetHandle own;
    HINTERNET session = shared != nullptr ? static_cast<HINTERNET>(shared->m_handle) : nullptr;
    if (session == nullptr) {
        own.Reset(Http().Open(L"Vellumo", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0));
        if (!own.Valid()) {
            result.error = ErrorMessage(::GetLastError(), 0);
            return result;
        }
        Http().SetTimeouts(own.Get(), request.stepTimeoutMs, request.stepTimeoutMs,
                           request.stepTimeoutMs, request.stepTimeoutMs);
        Http().SetStatusCallback(own.Get(), OnStatus, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
        session = own.Get();
        // A shared session keeps it for the requests that follow.
        if (shared != nullptr) shared->m_handle = own.Release();
    }
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(request.totalTimeoutMs);
    HttpRequest step = request;
    std::string url = request.url;
    for (int redirects = 0;; ++redirects) {
        result = SendOnce(session, step, url, deadline);
        if (!result.error.empty() || !IsRedirect(result.status)) return result;
        const std::string location = result.Header("Location");
        if (location.empty()) return result;
        if (redirects >= request.redirectLimit) {
            result.error = "The server redirected too often (a redirection loop).";
            return result;
        }
        const std::string next = ResolveLocation(url, location);
        if (url.compare(0, 8, "https://") == 0 && next.compare(0, 8, "https://") != 0) {
            result.error = "The server redirected to an address that is not secure.";
            return result;
        }
        // Credentials are for the server they were given to, not for wherever
        // it sends the request on.
        if (OriginOf(next) != OriginOf(url))
            step.headers.erase(std::remove_if(step.headers.begin(), step.headers.end(),
                                              [](const std::pair<std::string, std::string>& h) {
                                                  return _stricmp(h.first.c_str(), "Authorization") == 0;
                                              }),
                               step.headers.end());
        if (result.status == 303 || ((result.status == 301 || result.status == 302) &&
                                     request.verb == "POST")) {
            step.verb = "GET";
            step.body.clear();
        }
        url = next;
    }
}

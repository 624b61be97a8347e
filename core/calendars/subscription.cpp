#include "core/calendars/subscription.h"

#include <algorithm>
#include <cstdint>

namespace {

const char kOnlyThese[] =
    "Only http://, https:// and webcal:// addresses and local .ics files can be subscribed to.";

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return Lower(text.substr(0, std::char_traits<char>::length(prefix))) == prefix;
}

bool EndsWithIcs(const std::string& path) {
    return path.size() > 4 && Lower(path.substr(path.size() - 4)) == ".ics";
}

CalendarAddress Web(const std::string& url, std::size_t schemeLength) {
    CalendarAddress a;
    const std::size_t hostEnd = url.find_first_of("/?#", schemeLength);
    if (hostEnd == schemeLength || schemeLength == url.size()) {
        a.error = "The address names no server.";
        return a;
    }
    a.location = url;
    return a;
}

CalendarAddress LocalFile(const std::string& path) {
    CalendarAddress a;
    if (!EndsWithIcs(path)) {
        a.error = "A calendar file on this computer must be an .ics file.";
        return a;
    }
    a.location = path;
    a.localFile = true;
    return a;
}

// Adds a non-negative amount without overflowing.
std::int64_t Saturated(std::int64_t total, std::int64_t amount) {
    constexpr std::int64_t kMax = INT64_MAX;
    return total > kMax - amount ? kMax : total + amount;
}

const IcalProperty* CalendarProperty(const IcalDocument& document, const char* name) {
    for (const IcalComponent& calendar : document.calendars)
        if (const IcalProperty* p = calendar.Find(name)) return p;
    return nullptr;
}

int EventCount(const IcalDocument& document) {
    int n = 0;
    for (const IcalComponent& calendar : document.calendars)
        for (const IcalComponent& part : calendar.children) n += part.name == "VEVENT";
    return n;
}

}  // namespace

CalendarAddress CheckCalendarAddress(const std::string& typed) {
    const std::size_t first = typed.find_first_not_of(" \t\r\n");
    const std::size_t last = typed.find_last_not_of(" \t\r\n");
    const std::string text = first == std::string::npos ? "" : typed.substr(first, last - first + 1);
    CalendarAddress a;
    if (text.empty()) {
        a.error = "Type the address of a calendar.";
        return a;
    }
    if (StartsWith(text, "http://")) return Web(text, 7);
    if (StartsWith(text, "https://")) return Web(text, 8);
    if (StartsWith(text, "webcal://")) return Web("https://" + text.substr(9), 8);
    if (StartsWith(text, "webcals://")) return Web("https://" + text.substr(10), 8);
    if (StartsWith(text, "file:///") || StartsWith(text, "file://")) {
        std::string path = text.substr(StartsWith(text, "file:///") ? 8 : 5);
        std::replace(path.begin(), path.end(), '/', '\\');
        return LocalFile(path);
    }
    const bool drive = text.size() > 2 && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z') &&
                       text[1] == ':' && (text[2] == '\\' || text[2] == '/');
    if (drive || text.compare(0, 2, "\\\\") == 0) return LocalFile(text);
    a.error = kOnlyThese;
    return a;
}

bool ParseIcalDuration(const std::string& text, std::int64_t& seconds) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || (text[i] != 'P' && text[i] != 'p')) return false;
    ++i;
    bool inTime = false, any = false, timePart = false;
    std::int64_t total = 0;
    while (i < text.size()) {
        const char c = static_cast<char>(text[i] & ~0x20);
        if (c == 'T' && !inTime) {
            inTime = true;
            ++i;
            continue;
        }
        std::int64_t n = 0;
        const std::size_t digits = i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + (text[i] - '0');
        if (i == digits || i >= text.size()) return false;
        const char unit = static_cast<char>(text[i++] & ~0x20);
        std::int64_t scale = 0;
        if (!inTime && unit == 'W') scale = 7 * 86400;
        if (!inTime && unit == 'D') scale = 86400;
        if (inTime && unit == 'H') scale = 3600;
        if (inTime && unit == 'M') scale = 60;
        if (inTime && unit == 'S') scale = 1;
        if (scale == 0) return false;
        total = Saturated(total, n > INT64_MAX / scale ? INT64_MAX : n * scale);
        any = true;
        timePart = inTime;
    }
    if (!any || inTime != timePart) return false;  // nothing, or a "T" with nothing after it
    seconds = negative ? -total : total;
    return true;
}

std::int64_t RefreshSecondsOf(const IcalDocument& document) {
    for (const char* name : {"REFRESH-INTERVAL", "X-PUBLISHED-TTL"}) {
        const IcalProperty* p = CalendarProperty(document, name);
        std::int64_t seconds = 0;
        if (p != nullptr && ParseIcalDuration(p->value, seconds) && seconds > 0)
            return std::min(std::max(seconds, kShortestRefresh), kLongestRefresh);
    }
    return kDailyRefresh;
}

std::string CalendarNameOf(const IcalDocument& document) {
    const IcalProperty* p = CalendarProperty(document, "X-WR-CALNAME");
    return p != nullptr ? UnescapeText(p->value) : std::string();
}

std::int64_t RetryPause(int failures, std::int64_t refreshSeconds) {
    std::int64_t pause = 5 * 60;
    for (int i = 1; i < failures && pause < 6 * 3600; ++i) pause *= 2;
    return std::min({pause, std::int64_t{6 * 3600}, std::max(refreshSeconds, kShortestRefresh)});
}

std::int64_t NextRefreshAt(const Subscription& s) {
    if (s.lastTry == 0) return 0;
    if (s.failures > 0) return s.lastTry + RetryPause(s.failures, s.refreshSeconds);
    return s.lastGood + s.refreshSeconds;
}

FetchVerdict TakeFetch(Subscription& s, const FetchAnswer& answer, std::int64_t now) {
    FetchVerdict verdict;
    s.lastTry = now;
    std::string failure = answer.error;
    if (failure.empty() && answer.status == 304) {
        s.lastGood = now;
        s.failures = 0;
        s.result = "Not changed";
        return verdict;
    }
    if (failure.empty() && answer.status != 200)
        failure = "The server answered with status " + std::to_string(answer.status) + ".";
    if (failure.empty()) {
        verdict.document = ReadIcalendar(answer.body);
        if (!verdict.document.error.empty())
            failure = "The answer is not a calendar that can be read: " + verdict.document.error;
    }
    if (!failure.empty()) {
        ++s.failures;
        s.result = failure;
        verdict.document = IcalDocument();
        return verdict;
    }
    verdict.fresh = true;
    s.lastGood = now;
    s.failures = 0;
    s.etag = answer.etag;
    s.lastModified = answer.lastModified;
    s.refreshSeconds = RefreshSecondsOf(verdict.document);
    const int events = EventCount(verdict.document);
    s.result = "Updated: " + std::to_string(events) + (events == 1 ? " event" : " events");
    return verdict;
}

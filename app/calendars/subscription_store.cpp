#include "app/calendars/subscription_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/settings/settings_rules.h"
#include "platform/handles.h"
#include "platform/user_files.h"

namespace {

const std::string kCalendarsKey = std::string(kUserKeyPath) + "\\Calendars";

// A decimal number as written here, saturating instead of overflowing; 0
// for anything else.
std::int64_t Int64Of(const std::string& text) {
    std::size_t i = text[0] == '-' ? 1 : 0;
    std::int64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + (text[i] - '0');
    return text[0] == '-' ? -n : n;
}

std::string KeyOf(const std::string& id) { return kCalendarsKey + "\\" + id; }

std::int64_t ReadNumber(HKEY key, const char* name) {
    const std::string text = ReadRegText(key, name);
    return text.empty() ? 0 : Int64Of(text);
}

std::string CopyPath(const std::string& id) {
    const std::string folder = CalendarCopyFolder();
    return folder.empty() ? std::string() : folder + id + ".ics";
}

bool IsId(const std::string& name) {
    return !name.empty() && name.size() < 10 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<Subscription> LoadSubscriptions() {
    std::vector<Subscription> all;
    RegKey calendars;
    if (calendars.Open(HKEY_CURRENT_USER, kCalendarsKey.c_str(), KEY_READ) != ERROR_SUCCESS)
        return all;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(calendars.Get(), i, name, &length, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS)
            break;
        if (!IsId(name)) continue;
        RegKey key;
        if (key.Open(calendars.Get(), name, KEY_READ) != ERROR_SUCCESS) continue;
        Subscription s;
        s.id = name;
        s.location = ReadRegText(key.Get(), "Location");
        if (s.location.empty()) continue;
        s.name = ReadRegText(key.Get(), "Name");
        s.reminders = ReadNumber(key.Get(), "Reminders") != 0;
        s.etag = ReadRegText(key.Get(), "ETag");
        s.lastModified = ReadRegText(key.Get(), "LastModified");
        s.refreshSeconds = std::min(std::max(ReadNumber(key.Get(), "RefreshSeconds"),
                                             kShortestRefresh),
                                    kLongestRefresh);
        s.lastTry = ReadNumber(key.Get(), "LastTry");
        s.lastGood = ReadNumber(key.Get(), "LastGood");
        s.failures = static_cast<int>(std::min<std::int64_t>(
            std::max<std::int64_t>(ReadNumber(key.Get(), "Failures"), 0), 1000));
        s.result = ReadRegText(key.Get(), "Result");
        all.push_back(std::move(s));
    }
    std::sort(all.begin(), all.end(), [](const Subscription& a, const Subscription& b) {
        return Int64Of(a.id) < Int64Of(b.id);
    });
    return all;
}

bool SaveSubscription(const Subscription& s) {
    if (!IsId(s.id)) return false;
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, KeyOf(s.id).c_str(), KEY_SET_VALUE) != ERROR_SUCCESS)
        return false;
    bool ok = WriteRegText(key.Get(), "Location", s.location);
    ok = WriteRegText(key.Get(), "Name", s.name) && ok;
    ok = WriteRegText(key.Get(), "Reminders", s.reminders ? "1" : "0") && ok;
    ok = WriteRegText(key.Get(), "ETag", s.etag) && ok;
    ok = WriteRegText(key.Get(), "LastModified", s.lastModified) && ok;
    ok = WriteRegText(key.Get(), "RefreshSeconds", std::to_string(s.refreshSeconds)) && ok;
    ok = WriteRegText(key.Get(), "LastTry", std::to_string(s.lastTry)) && ok;
    ok = WriteRegText(key.Get(), "LastGood", std::to_string(s.lastGood)) && ok;
    ok = WriteRegText(key.Get(), "Failures", std::to_string(s.failures)) && ok;
    ok = WriteRegText(key.Get(), "Result", s.result) && ok;
    return ok;
}

void RemoveSubscription(const std::string& id) {
    if (!IsId(id)) return;
    ::RegDeleteKeyA(HKEY_CURRENT_USER, KeyOf(id).c_str());
    const std::string path = CopyPath(id);
    if (!path.empty()) ::DeleteFileA(path.c_str());
}

std::string NewSubscriptionId() {
    std::int64_t highest = 0;
    for (const Subscription& s : LoadSubscriptions()) highest = std::max(highest, Int64Of(s.id));
    return std::to_string(highest + 1);
}

std::string CalendarCopyFolder() { return UserDataFolder("Calendars"); }

std::optional<std::string> ReadCalendarCopy(const std::string& id) {
    const std::string path = CopyPath(id);
    if (path.empty()) return std::nullopt;
    return ReadWholeFile(path, 64 * 1024 * 1024);
}

bool WriteCalendarCopy(const std::string& id, const std::string& bytes) {
    const std::string path = CopyPath(id);
    return !path.empty() && ReplaceFileWith(path, bytes);
}

#include "app/calendars/subscription_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/settings/settings_rules.h"
#include "platform/handles.h"

namespace {

const std::string kCalendarsKey = std::string(kUserKeyPath) + "\\Calendars";
constexpr DWORD kTextLimit = 64 * 1024;

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

std::string ReadText(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || size > kTextLimit)
        return std::string();
    std::string text(size, '\0');
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]),
                           &size) != ERROR_SUCCESS)
        return std::string();
    text.resize(std::min<std::size_t>(size, text.size()));
    return text.substr(0, text.find('\0'));
}

std::int64_t ReadNumber(HKEY key, const char* name) {
    const std::string text = ReadText(key, name);
    return text.empty() ? 0 : Int64Of(text);
}

bool WriteText(HKEY key, const char* name, const std::string& text) {
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
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
        s.location = ReadText(key.Get(), "Location");
        if (s.location.empty()) continue;
        s.name = ReadText(key.Get(), "Name");
        s.reminders = ReadNumber(key.Get(), "Reminders") != 0;
        s.etag = ReadText(key.Get(), "ETag");
        s.lastModified = ReadText(key.Get(), "LastModified");
        s.refreshSeconds = std::min(std::max(ReadNumber(key.Get(), "RefreshSeconds"),
                                             kShortestRefresh),
                                    kLongestRefresh);
        s.lastTry = ReadNumber(key.Get(), "LastTry");
        s.lastGood = ReadNumber(key.Get(), "LastGood");
        s.failures = static_cast<int>(std::min<std::int64_t>(
            std::max<std::int64_t>(ReadNumber(key.Get(), "Failures"), 0), 1000));
        s.result = ReadText(key.Get(), "Result");
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
    bool ok = WriteText(key.Get(), "Location", s.location);
    ok = WriteText(key.Get(), "Name", s.name) && ok;
    ok = WriteText(key.Get(), "Reminders", s.reminders ? "1" : "0") && ok;
    ok = WriteText(key.Get(), "ETag", s.etag) && ok;
    ok = WriteText(key.Get(), "LastModified", s.lastModified) && ok;
    ok = WriteText(key.Get(), "RefreshSeconds", std::to_string(s.refreshSeconds)) && ok;
    ok = WriteText(key.Get(), "LastTry", std::to_string(s.lastTry)) && ok;
    ok = WriteText(key.Get(), "LastGood", std::to_string(s.lastGood)) && ok;
    ok = WriteText(key.Get(), "Failures", std::to_string(s.failures)) && ok;
    ok = WriteText(key.Get(), "Result", s.result) && ok;
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

std::string CalendarCopyFolder() {
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return std::string(appData, n) + "\\Vellumo\\Calendars\\";
}

std::optional<std::string> ReadCalendarCopy(const std::string& id) {
    const std::string path = CopyPath(id);
    if (path.empty()) return std::nullopt;
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return std::nullopt;
    return bytes;
}

bool WriteCalendarCopy(const std::string& id, const std::string& bytes) {
    const std::string path = CopyPath(id);
    if (path.empty()) return false;
    const std::string folder = CalendarCopyFolder();
    ::CreateDirectoryA(folder.substr(0, folder.size() - 11).c_str(), nullptr);  // ...\Vellumo
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string temp = path + ".new";
    {
        FileHandle file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return false;
        DWORD written = 0;
        const bool whole =
            bytes.empty() || (::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                          &written, nullptr) &&
                              written == bytes.size());
        if (!whole || !::FlushFileBuffers(file.Get())) {
            file.Reset();
            ::DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (::MoveFileExA(temp.c_str(), path.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temp.c_str());
    return false;
}

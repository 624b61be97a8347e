// The memo and notice file texts: what is written reads back as it went in,
// and paths are built whole (never cut) and accepted only within the buffer.
#include <cstring>

#include "core/base/text_number.h"
#include "core/memo/memo_format.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

void CheckRecord(FuzzInput& in, const std::string& content) {
    const int year = in.Int(), month = in.Int(), day = in.Int();
    const std::string date = DateText(year, month, day);
    FUZZ_CHECK(date == std::to_string(year) + "-" + std::to_string(month) + "-" +
                           std::to_string(day));
    const std::string record = MemoRecord(date, content);
    // A date of at most 10 characters ("2008-12-31") puts "]" at 11 or before.
    if (date.size() <= 10) FUZZ_CHECK(CutMemoHead(record) == content);
    // Reading never grows the text and yields a tail of it.
    const std::string cut = CutMemoHead(content);
    FUZZ_CHECK(cut.size() <= content.size());
    FUZZ_CHECK(content.compare(content.size() - cut.size(), cut.size(), cut) == 0);
}

void CheckNotice(const std::string& hour, const std::string& minute) {
    const std::string text = NoticeText(hour, minute);
    const std::optional<NoticeFields> fields = SplitNoticeText(text);
    FUZZ_CHECK(fields.has_value());
    if (hour.find(':') == std::string::npos) {
        FUZZ_CHECK(fields->hour == hour && fields->minute == minute);
        const std::optional<NoticeTime> time = ParseNoticeTime(text);
        FUZZ_CHECK(time.has_value());
        FUZZ_CHECK(time->hour == ParseLeadingInt(hour.data(), hour.size()));
        FUZZ_CHECK(time->minute == ParseLeadingInt(minute.data(), minute.size()));
    }
    FUZZ_CHECK(NoticeText(fields->hour, fields->minute) == text);
    // No colon, no remind time.
    const std::size_t colon = hour.find(':');
    const std::string noColon = hour.substr(0, colon);
    FUZZ_CHECK(!SplitNoticeText(noColon) && !ParseNoticeTime(noColon));
}

void CheckRead(const std::string& bytes, std::size_t limit) {
    // An exact-size copy: reading past `count` would be seen.
    char* exact = new char[bytes.size() + 1];
    std::memcpy(exact, bytes.data(), bytes.size());
    const std::string text = TextOfRead(exact, bytes.size(), limit);
    delete[] exact;
    FUZZ_CHECK(text.size() <= bytes.size() && text.size() <= limit);
    FUZZ_CHECK(text.find('\0') == std::string::npos && StartsWith(bytes, text));
    // It stops only at the limit, the end, or a zero byte.
    FUZZ_CHECK(text.size() == limit || text.size() == bytes.size() || bytes[text.size()] == '\0');
    FUZZ_CHECK(TextOfRead(nullptr, bytes.size(), limit).empty());
}

void CheckPaths(const std::string& modulePath, FuzzInput& in) {
    for (LeadBytePredicate lead : {static_cast<LeadBytePredicate>(nullptr), &FuzzLeadByte}) {
        const std::string dir = ProgramDirectory(modulePath, lead);
        FUZZ_CHECK(StartsWith(modulePath, dir));
        if (dir.size() != modulePath.size()) FUZZ_CHECK(modulePath[dir.size()] == '\\');
        if (lead == nullptr) {
            const std::size_t last = modulePath.rfind('\\');
            FUZZ_CHECK(dir == (last == std::string::npos ? modulePath : modulePath.substr(0, last)));
        }
    }
    const std::string dir = ProgramDirectory(modulePath, nullptr);
    const MemoPaths paths = MakeMemoPaths(dir);
    FUZZ_CHECK(paths.remarkDir == dir + "\\Remark" &&
               paths.remarkPrefix == dir + "\\Remark\\Remark_" &&
               paths.noticeDir == dir + "\\Notice" &&
               paths.noticePrefix == dir + "\\Notice\\Notice_");
    // A day's path is built whole, never cut; only one that fits is opened.
    const int year = in.Int(), month = in.Byte() % 14, day = in.Byte() % 33;
    const std::string prefixes[] = {paths.remarkPrefix, modulePath, std::string()};
    for (const std::string& prefix : prefixes) {
        const std::string file = MakeDayFilePath(prefix, year, month, day);
        FUZZ_CHECK(file == (prefix.empty() ? std::string()
                                           : prefix + DateText(year, month, day) + ".txt"));
        FUZZ_CHECK(FitsPathBuffer(file) == (!file.empty() && file.size() <= kMaxPathLength));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMemoReadLimit + 64) return -1;
    FuzzInput in(data, size);
    const std::size_t limit = in.Byte() % 2 == 0 ? kNoticeReadLimit : in.Byte() * 17u;
    const std::string hour = in.ShortString();
    const std::string minute = in.ShortString();
    const std::string content = in.Rest();
    FuzzInput numbers(data, size);  // the same bytes again, read as numbers
    CheckRecord(numbers, content);
    CheckNotice(hour, minute);
    CheckRead(content, limit);
    CheckPaths(content, numbers);
    return 0;
}

#include "core/memo/memo_format.h"

#include "core/base/text_number.h"

namespace {
std::string MonthText(int year, int month) {
    return std::to_string(year) + '-' + std::to_string(month) + '-';
}
}  // namespace

std::string DateText(int year, int month, int day) {
    return MonthText(year, month) + std::to_string(day);
}

std::string ProgramDirectory(const std::string& modulePath, LeadBytePredicate isLeadByte) {
    // Double-byte text can only be walked forward: a trail byte may equal '\\'.
    std::size_t lastBackslash = std::string::npos;
    for (std::size_t i = 0; i < modulePath.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(modulePath[i]);
        if (c == '\\')
            lastBackslash = i;
        else if (isLeadByte != nullptr && isLeadByte(c) && i + 1 < modulePath.size())
            ++i;  // skip the trail byte
    }
    return lastBackslash == std::string::npos ? modulePath : modulePath.substr(0, lastBackslash);
}

MemoPaths MakeMemoPaths(const std::string& programDirectory) {
    MemoPaths paths;
    const std::string remark = kMemoFolderNames[0];
    const std::string notice = kMemoFolderNames[1];
    paths.remarkDir = programDirectory + "\\" + remark;
    paths.remarkPrefix = paths.remarkDir + "\\" + remark + "_";
    paths.noticeDir = programDirectory + "\\" + notice;
    paths.noticePrefix = paths.noticeDir + "\\" + notice + "_";
    paths.repeatDir = programDirectory + "\\" + kMemoFolderNames[2];
    paths.aheadPrefix = paths.noticeDir + "\\Ahead_";
    return paths;
}

std::string MakeDayFilePath(const std::string& prefix, int year, int month, int day) {
    if (prefix.empty()) return std::string();
    return prefix + DateText(year, month, day) + ".txt";
}

std::string MonthFilePattern(const std::string& prefix, int year, int month) {
    if (prefix.empty()) return std::string();
    return prefix + MonthText(year, month) + "*.txt";
}

bool FitsPathBuffer(const std::string& path) {
    return !path.empty() && path.size() <= kMaxPathLength;
}

std::string TextOfRead(const char* bytes, std::size_t count, std::size_t limit) {
    if (bytes == nullptr) return std::string();
    const std::size_t n = count < limit ? count : limit;
    std::size_t length = 0;
    while (length < n && bytes[length] != '\0') ++length;
    return std::string(bytes, length);
}

std::string MemoRecord(const std::string& dateText, const std::string& content) {
    return "[" + dateText + "] " + content;
}

std::string CutMemoHead(const std::string& memoFileText) {
    const std::size_t p = memoFileText.find(']');
    if (p == std::string::npos || p > 11) return memoFileText;
    return memoFileText.size() <= p + 2 ? std::string() : memoFileText.substr(p + 2);
}

std::string NoticeText(const std::string& hourText, const std::string& minuteText) {
    return hourText + ":" + minuteText;
}

std::optional<NoticeFields> SplitNoticeText(const std::string& noticeText) {
    const std::size_t colon = noticeText.find(':');
    if (colon == std::string::npos) return std::nullopt;
    return NoticeFields{noticeText.substr(0, colon), noticeText.substr(colon + 1)};
}

std::optional<NoticeTime> ParseNoticeTime(const std::string& noticeText) {
    const std::optional<NoticeFields> fields = SplitNoticeText(noticeText);
    if (!fields) return std::nullopt;
    return NoticeTime{ParseLeadingInt(fields->hour.data(), fields->hour.size()),
                      ParseLeadingInt(fields->minute.data(), fields->minute.size())};
}

#include "core/memo/reminder_rules.h"

ReminderDecision DecideReminder(const LocalDateTime& now,
                                const std::optional<std::string>& memoText,
                                const std::optional<std::string>& noticeText,
                                ReminderMemory& memory) {
    ReminderDecision decision;
    if (!memoText || memoText->empty() || !noticeText) return decision;
    const std::optional<NoticeTime> remind = ParseNoticeTime(*noticeText);
    if (!remind || remind->hour != now.time.hour || remind->minute != now.time.minute)
        return decision;
    if (memory.any && memory.date == now.date && memory.hour == remind->hour &&
        memory.minute == remind->minute && memory.memoText == *memoText)
        return decision;  // already shown
    memory = ReminderMemory{true, now.date, remind->hour, remind->minute, *memoText};
    decision.due = true;
    decision.text = *memoText;
    return decision;
}

ReminderDecision CheckReminder(const LocalDateTime& now, const DayTextReader& readMemo,
                               const DayTextReader& readNotice, ReminderMemory& memory) {
    const Date& today = now.date;
    const std::optional<std::string> memo = readMemo(today.year, today.month, today.day);
    if (!memo || memo->empty()) return ReminderDecision{};
    return DecideReminder(now, memo, readNotice(today.year, today.month, today.day), memory);
}

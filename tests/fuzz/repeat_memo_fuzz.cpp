// The repeating memo's file: any bytes read without fault, what was read
// writes out and reads back the same, and its dates lie in the range asked,
// in order, within the limit, on the series' own dates.
#include "core/calendar/day_number.h"
#include "core/memo/repeat_memo.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kRepeatReadLimit + 64) return -1;
    FuzzInput in(data, size);
    const Date from{1 + in.Byte() * 40 % 9999, 1 + in.Byte() % 12, 1 + in.Byte() % 28};
    const int span = in.Byte() * 13;
    const std::optional<RepeatMemo> memo = ReadRepeatFile(in.Rest());
    if (!memo) return 0;
    const std::string text = RepeatFileText(*memo);
    const std::optional<RepeatMemo> again = ReadRepeatFile(text);
    FUZZ_CHECK(again && RepeatFileText(*again) == text);

    const Date to = DateOfDayNumber(DayNumber(from) + span);
    const std::vector<Date> dates = RepeatDates(*memo, from, to, 64);
    FUZZ_CHECK(dates.size() <= 64);
    std::int64_t previous = DayNumber(from) - 1;
    for (const Date& d : dates) {
        const std::int64_t day = DayNumber(d);
        FUZZ_CHECK(day > previous && day <= DayNumber(to) && day >= DayNumber(memo->first));
        FUZZ_CHECK(d.day >= 1 && d.day <= CivilMonthLength(d.year, d.month));
        previous = day;
    }
    if (!dates.empty()) FUZZ_CHECK(RepeatsOn(*memo, dates.front()));
    return 0;
}

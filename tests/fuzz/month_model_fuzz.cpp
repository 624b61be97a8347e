// The month grid and the arrow steps: a step forward and one back return to
// the shown month (except where the year saturates), year steps stay within
// their bounds, and every layout matches a day count of the calendar itself.
#include <climits>
#include <cstring>

#include "core/calendar/month_model.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool Same(const CalendarMonth& a, const CalendarMonth& b) {
    return a.year == b.year && a.month == b.month && a.todayDay == b.todayDay;
}

void CheckLayout(CalendarMonth shown, bool current) {
    const MonthLayout layout = LayOutMonth(shown, current);
    const int days = DaysInMonth(shown.year, shown.month);
    FUZZ_CHECK(days == CivilMonthLength(shown.year, shown.month));
    FUZZ_CHECK(IsLeapYear(shown.year) == (CivilMonthLength(shown.year, 2) == 29));
    const int first = layout.firstCellId - kFirstDayCellId;
    FUZZ_CHECK(first >= 0 && first <= 6 && shown.firstCellId == layout.firstCellId);
    if (shown.year >= kMinStepYear && shown.year <= kMaxStepYear)
        FUZZ_CHECK(first == CivilWeekday(shown.year, shown.month, 1));
    for (int i = 0; i < kDayCellCount; ++i) {
        const int expected = (i >= first && i < first + days) ? i - first + 1 : 0;
        FUZZ_CHECK(layout.dayOfCell[static_cast<std::size_t>(i)] == expected);
    }
    for (int day = 1; day <= days; ++day)
        FUZZ_CHECK(DayOfCell(shown, CellOfDay(shown, day)) == day &&
                   CellOfDay(shown, day) <= kLastDayCellId);
    if (current && shown.todayDay >= 1 && shown.todayDay <= days)
        FUZZ_CHECK(layout.dayOfCell[static_cast<std::size_t>(layout.todayCellId - kFirstDayCellId)] ==
                   shown.todayDay);
    else
        FUZZ_CHECK(layout.todayCellId == 0);
    const std::string year = YearText(shown.year);
    FUZZ_CHECK(std::strtoll(year.c_str(), nullptr, 10) == shown.year &&
               year == std::to_string(shown.year));
    FUZZ_CHECK(std::strlen(MonthAbbrev(shown.month)) == 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 512) return -1;
    FuzzInput in(data, size);
    CalendarMonth shown;
    const std::uint8_t yearKind = in.Byte() % 4;
    const int raw = in.Int();
    // Mostly years near the ends that matter, sometimes any 32-bit year.
    shown.year = yearKind == 0   ? raw
                 : yearKind == 1 ? static_cast<int>(static_cast<unsigned>(raw) % 3600)
                 : yearKind == 2 ? INT_MAX - static_cast<int>(static_cast<unsigned>(raw) % 30)
                                 : INT_MIN + static_cast<int>(static_cast<unsigned>(raw) % 30);
    shown.month = 1 + in.Byte() % 12;
    shown.todayDay = static_cast<int>(in.Byte() % 34) - 1;
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        const int direction = (op & 2) ? 1 : -1;
        const CalendarMonth before = shown;
        if ((op & 1) == 0) {
            FUZZ_CHECK(StepMonth(shown, direction));
            FUZZ_CHECK(shown.month >= 1 && shown.month <= 12 && shown.todayDay == before.todayDay);
            const long long moved = (static_cast<long long>(shown.year) * 12 + shown.month) -
                                    (static_cast<long long>(before.year) * 12 + before.month);
            const bool saturated = (direction > 0 && before.year == INT_MAX && before.month == 12) ||
                                   (direction < 0 && before.year == INT_MIN && before.month == 1);
            FUZZ_CHECK(saturated ? moved == direction * -11 : moved == direction);
            CalendarMonth back = shown;
            StepMonth(back, -direction);
            const bool backSaturated = (direction < 0 && shown.year == INT_MAX && shown.month == 12) ||
                                       (direction > 0 && shown.year == INT_MIN && shown.month == 1);
            if (!saturated && !backSaturated) FUZZ_CHECK(Same(back, before));
        } else {
            const bool moved = StepYear(shown, direction);
            FUZZ_CHECK(shown.month == before.month && shown.todayDay == before.todayDay);
            if (moved) {
                FUZZ_CHECK(shown.year == before.year + direction);
                CalendarMonth back = shown;
                if (back.year > kMinStepYear && back.year < kMaxStepYear) {
                    FUZZ_CHECK(StepYear(back, -direction) && Same(back, before));
                }
            } else {
                FUZZ_CHECK(shown.year == (direction < 0 ? kMinStepYear : kMaxStepYear));
                FUZZ_CHECK(direction < 0 ? before.year <= kMinStepYear : before.year >= kMaxStepYear);
            }
        }
        CheckLayout(shown, (op & 4) != 0);
    }
    return 0;
}

#include "app/memo/repeat_dlg.h"

#include <string>
#include <vector>

#include "core/base/text_number.h"
#include "core/memo/memo_format.h"
#include "core/memo/ical_time.h"
#include "core/memo/repeat_choices.h"
#include "res/resource.h"

namespace {
const char* const kUnitTexts[] = {"days", "weeks", "months", "years"};

std::string ItemText(HWND dialog, int id) {
    char buffer[64] = {};
    ::GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

class CRepeatScopeDlg : public CDialog {
public:
    explicit CRepeatScopeDlg(CWnd* parent) : CDialog(IDD_REPEAT_SCOPE, parent) {}
    DECLARE_MESSAGE_MAP()

private:
    void OnThisDate() { EndDialog(IDC_SCOPE_THIS_DATE); }
    void OnEveryTime() { EndDialog(IDC_SCOPE_EVERY_TIME); }
};

BEGIN_MESSAGE_MAP(CRepeatScopeDlg, CDialog)
    OnCommand(IDC_SCOPE_THIS_DATE, &ThisClass::OnThisDate),
    OnCommand(IDC_SCOPE_EVERY_TIME, &ThisClass::OnEveryTime),
END_MESSAGE_MAP()
}  // namespace

RepeatScope AskRepeatScope(CWnd* parent) {
    CRepeatScopeDlg dialog(parent);
    switch (dialog.DoModal()) {
        case IDC_SCOPE_THIS_DATE:
            return RepeatScope::ThisDate;
        case IDC_SCOPE_EVERY_TIME:
            return RepeatScope::EveryTime;
        default:
            return RepeatScope::Cancel;
    }
}

BEGIN_MESSAGE_MAP(CRepeatCustomDlg, CDialog)
    OnCommand(IDC_CUSTOM_UNIT, &ThisClass::OnUnitChange, CBN_SELCHANGE),
    OnCommand(IDC_CUSTOM_SAME_DAY, &ThisClass::ShowParts),
    OnCommand(IDC_CUSTOM_LAST_DAY, &ThisClass::ShowParts),
    OnCommand(IDC_CUSTOM_WEEKDAY, &ThisClass::ShowParts),
END_MESSAGE_MAP()

CRepeatCustomDlg::CRepeatCustomDlg(CWnd* parent, const RepeatMemo& memo)
    : CDialog(IDD_REPEAT_CUSTOM, parent), m_memo(memo) {}

BOOL CRepeatCustomDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const HWND self = m_hWnd;
    ::SetDlgItemInt(self, IDC_CUSTOM_EVERY, static_cast<UINT>(m_memo.interval), FALSE);
    ::SendDlgItemMessageA(self, IDC_CUSTOM_EVERY, EM_LIMITTEXT, 3, 0);
    for (const char* text : kUnitTexts)
        ::SendDlgItemMessageA(self, IDC_CUSTOM_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    ::SendDlgItemMessageA(self, IDC_CUSTOM_UNIT, CB_SETCURSEL, static_cast<int>(m_memo.unit), 0);
    const unsigned days = RepeatWeekDays(m_memo);
    for (int j = 0; j < 7; ++j)
        ::CheckDlgButton(self, IDC_CUSTOM_SUNDAY + j, (days & (1u << j)) ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextA(self, IDC_CUSTOM_SAME_DAY, ("On day " + std::to_string(m_memo.first.day)).c_str());
    ::SetDlgItemTextA(self, IDC_CUSTOM_WEEKDAY, WeekdayPlaceText(m_memo.first).c_str());
    const int place = m_memo.monthPlace == MonthPlace::LastDay   ? IDC_CUSTOM_LAST_DAY
                      : m_memo.monthPlace == MonthPlace::Weekday ? IDC_CUSTOM_WEEKDAY
                                                                 : IDC_CUSTOM_SAME_DAY;
    ::CheckRadioButton(self, IDC_CUSTOM_SAME_DAY, IDC_CUSTOM_WEEKDAY, place);
    const int end = m_memo.last ? IDC_CUSTOM_UNTIL : m_memo.count > 0 ? IDC_CUSTOM_AFTER : IDC_CUSTOM_NO_END;
    ::CheckRadioButton(self, IDC_CUSTOM_NO_END, IDC_CUSTOM_AFTER, end);
    const Date until = m_memo.last ? *m_memo.last : Date{m_memo.first.year + 1, m_memo.first.month,
                                                         m_memo.first.day};
    ::SetDlgItemTextA(self, IDC_CUSTOM_UNTIL_DATE, DateText(until.year, until.month, until.day).c_str());
    ::SetDlgItemInt(self, IDC_CUSTOM_COUNT, static_cast<UINT>(m_memo.count > 0 ? m_memo.count : 10), FALSE);
    ::SendDlgItemMessageA(self, IDC_CUSTOM_COUNT, EM_LIMITTEXT, 4, 0);
    ShowParts();
    return TRUE;
}

void CRepeatCustomDlg::OnUnitChange() { ShowParts(); }

// Weekdays only for weeks, the place in the month only for months; the note
// says what the choice does at month ends.
void CRepeatCustomDlg::ShowParts() {
    const HWND self = m_hWnd;
    const LRESULT unit = ::SendDlgItemMessageA(self, IDC_CUSTOM_UNIT, CB_GETCURSEL, 0, 0);
    for (int id = IDC_CUSTOM_SUNDAY; id <= IDC_CUSTOM_SATURDAY; ++id)
        ::EnableWindow(::GetDlgItem(self, id), unit == 1);
    for (int id = IDC_CUSTOM_SAME_DAY; id <= IDC_CUSTOM_WEEKDAY; ++id)
        ::EnableWindow(::GetDlgItem(self, id), unit == 2);
    RepeatMemo shown = m_memo;
    shown.unit = unit >= 0 && unit <= 3 ? static_cast<RepeatUnit>(unit) : RepeatUnit::Years;
    shown.monthPlace = ::IsDlgButtonChecked(self, IDC_CUSTOM_LAST_DAY)  ? MonthPlace::LastDay
                       : ::IsDlgButtonChecked(self, IDC_CUSTOM_WEEKDAY) ? MonthPlace::Weekday
                                                                        : MonthPlace::SameDay;
    ::SetDlgItemTextA(self, IDC_CUSTOM_NOTE, RepeatNoteText(shown).c_str());
}

void CRepeatCustomDlg::OnOK() {
    const HWND self = m_hWnd;
    const std::string every = ItemText(self, IDC_CUSTOM_EVERY);
    const int interval = ParseLeadingInt(every.c_str());
    if (interval < 1 || interval > kMaxRepeatInterval) {
        AppMessageBox("The interval must be 1 to 999.", MB_OK, self);
        return;
    }
    RepeatMemo chosen = m_memo;
    chosen.interval = interval;
    const LRESULT unit = ::SendDlgItemMessageA(self, IDC_CUSTOM_UNIT, CB_GETCURSEL, 0, 0);
    chosen.unit = unit >= 0 && unit <= 3 ? static_cast<RepeatUnit>(unit) : RepeatUnit::Years;
    chosen.weekDays = 0;
    if (chosen.unit == RepeatUnit::Weeks)
        for (int j = 0; j < 7; ++j)
            if (::IsDlgButtonChecked(self, IDC_CUSTOM_SUNDAY + j)) chosen.weekDays |= 1u << j;
    chosen.monthPlace = MonthPlace::SameDay;
    if (chosen.unit == RepeatUnit::Months) {
        if (::IsDlgButtonChecked(self, IDC_CUSTOM_LAST_DAY)) chosen.monthPlace = MonthPlace::LastDay;
        if (::IsDlgButtonChecked(self, IDC_CUSTOM_WEEKDAY)) {
            chosen.monthPlace = MonthPlace::Weekday;
            chosen.weekOfMonth = WeekOfMonthOf(chosen.first);
            chosen.weekday = Weekday(chosen.first);
        }
    }
    chosen.last.reset();
    chosen.count = 0;
    if (::IsDlgButtonChecked(self, IDC_CUSTOM_UNTIL)) {
        chosen.last = ParseDateText(ItemText(self, IDC_CUSTOM_UNTIL_DATE));
        if (!chosen.last) {
            AppMessageBox("Please give the last date as year-month-day, as 2027-3-12.", MB_OK, self);
            return;
        }
    }
    if (::IsDlgButtonChecked(self, IDC_CUSTOM_AFTER)) {
        const std::string count = ItemText(self, IDC_CUSTOM_COUNT);
        chosen.count = ParseLeadingInt(count.c_str());
        if (chosen.count < 1 || chosen.count > kMaxRepeatCount) {
            AppMessageBox("The number of times must be 1 to 9999.", MB_OK, self);
            return;
        }
    }
    m_memo = chosen;
    CDialog::OnOK();
}

#include "app/memo/remark_dlg.h"

#include <vector>

#include "app/memo/memo_store.h"
#include "app/memo/repeat_dlg.h"
#include "core/base/text_number.h"
#include "core/memo/repeat_choices.h"
#include "platform/display_scale.h"
#include "platform/file.h"
#include "res/resource.h"

const char kEmptyMemoCaption[] = "Info";

namespace {
constexpr COLORREF kPictureTransparent = RGB(214, 211, 206);
constexpr int kHourDefault = 1;
constexpr int kMinuteDefault = 30;
// Each time field takes at most 7 characters, so "hour:minute" always fits
// the 16 bytes a notice file is read with; a longer text would lose its
// minute, or its ":" and with it the whole remind time.
constexpr int kTimeFieldLimit = 7;
constexpr int kTimeTextBuffer = 32;  // a field's text is read up to 31 characters

// The OK and Cancel icons are 20 pixels square in the 100 % design.
HICON LoadIconResource(UINT id) { return LoadScaledIcon(id, 20); }

std::string DlgItemText(HWND dialog, int id, std::size_t limit) {
    std::vector<char> buffer(limit + 1, '\0');
    ::GetDlgItemTextA(dialog, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data());
}
}  // namespace

BEGIN_MESSAGE_MAP(CRemarkDlg, CDialog)
    OnCommand(IDC_REMARK_OK, &ThisClass::OnButtonOK),
    OnCommand(IDC_REMARK_CANCEL, &ThisClass::OnButtonCancel),
    OnCommand(IDC_REPEAT, &ThisClass::OnRepeatChange, CBN_SELCHANGE),
END_MESSAGE_MAP()

CRemarkDlg::CRemarkDlg() : CDialog(IDD_REMARK) {}

CRemarkDlg::~CRemarkDlg() = default;

void CRemarkDlg::DoDataExchange() {
    m_spinHour.SubclassDlgItem(IDC_HOUR_SPIN, this);
    m_spinMinute.SubclassDlgItem(IDC_MINUTE_SPIN, this);
    m_btnOK.SubclassDlgItem(IDC_REMARK_OK, this);
    m_btnCancel.SubclassDlgItem(IDC_REMARK_CANCEL, this);
    m_picture.SubclassDlgItem(IDC_PICTURE, this);
}

BOOL CRemarkDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_btnOK.AssignIcon(LoadIconResource(IDI_OK));
    m_btnOK.SetFlatStyle(false);
    m_btnOK.Invalidate();
    m_btnCancel.AssignIcon(LoadIconResource(IDI_CANCEL));
    m_btnCancel.SetFlatStyle(false);
    m_btnCancel.Invalidate();

    m_picture.SetChannelPicture(IDB_EDITOR_PICTURE, kPictureTransparent);

    m_spinHour.SetBuddy(GetDlgItem(IDC_HOUR));
    m_spinHour.SetRange32(0, 23);
    m_spinHour.SetPos(kHourDefault);
    m_spinMinute.SetBuddy(GetDlgItem(IDC_MINUTE));
    m_spinMinute.SetRange32(0, 59);
    m_spinMinute.SetPos(kMinuteDefault);
    ::SendDlgItemMessageA(m_hWnd, IDC_HOUR, EM_LIMITTEXT, kTimeFieldLimit, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_MINUTE, EM_LIMITTEXT, kTimeFieldLimit, 0);
    // Typing past what a save keeps would lose the end silently.
    ::SendDlgItemMessageA(m_hWnd, IDC_CONTENT, EM_LIMITTEXT, kMemoContentLimit, 0);

    ::SetDlgItemTextA(m_hWnd, IDC_DATE, DateText(m_nYear, m_nMonth, m_nDay).c_str());

    m_date = Date{m_nYear, m_nMonth, m_nDay};
    m_remarkPath = Memos().MemoPath(m_date);
    m_noticePath = Memos().NoticePath(m_date);

    m_readOnly = false;
    if (const unsigned long error = LoadMemo())
        RefuseEditing(m_remarkPath, error);
    else if (const unsigned long noticeError = LoadNotice())
        RefuseEditing(m_noticePath, noticeError);
    LoadRepeat();
    return TRUE;
}

namespace {
int Selected(HWND dialog, int id) {
    const LRESULT item = ::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return item < 0 ? 0 : static_cast<int>(item);
}

// Everything the user can change, in one text: a change of any asks first.
std::string FieldsText(HWND dialog) {
    return DlgItemText(dialog, IDC_CONTENT, kMemoContentLimit) + '\0' +
           DlgItemText(dialog, IDC_HOUR, kTimeTextBuffer - 1) + '\0' +
           DlgItemText(dialog, IDC_MINUTE, kTimeTextBuffer - 1) + '\0' +
           std::to_string(Selected(dialog, IDC_REPEAT)) + '\0' +
           std::to_string(Selected(dialog, IDC_REMIND_AHEAD));
}
}  // namespace

void CRemarkDlg::LoadRepeat() {
    const HWND self = m_hWnd;
    ::SendDlgItemMessageA(self, IDC_REPEAT, CB_RESETCONTENT, 0, 0);
    ::SendDlgItemMessageA(self, IDC_REMIND_AHEAD, CB_RESETCONTENT, 0, 0);
    for (const char* text : kRepeatChoiceTexts)
        ::SendDlgItemMessageA(self, IDC_REPEAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    for (const char* text : kAheadChoiceTexts)
        ::SendDlgItemMessageA(self, IDC_REMIND_AHEAD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    m_series.reset();
    m_seriesName.clear();
    m_custom = RepeatMemo{};
    m_custom.first = m_date;
    m_customChanged = false;
    int choice = 0;
    int ahead = m_readOnly ? 0 : Memos().ReadAhead(m_date);
    // A date's own memo comes first; without one, the first repeating memo
    // on the date is the one shown and edited.
    if (!m_readOnly && DlgItemText(self, IDC_CONTENT, 1).empty()) {
        for (MemoStore::StoredRepeat& stored : Memos().ReadRepeats()) {
            if (!RepeatsOn(stored.memo, m_date)) continue;
            m_series = std::move(stored.memo);
            m_seriesName = stored.name;
            break;
        }
    }
    if (m_series) {
        ::SetDlgItemTextA(self, IDC_CONTENT, m_series->text.c_str());
        if (m_series->hasTime) {
            const std::string minute =
                (m_series->minute < 10 ? "0" : "") + std::to_string(m_series->minute);
            ::SetDlgItemTextA(self, IDC_HOUR, std::to_string(m_series->hour).c_str());
            ::SetDlgItemTextA(self, IDC_MINUTE, minute.c_str());
        }
        m_custom = *m_series;
        choice = static_cast<int>(RepeatChoiceOf(*m_series));
        ahead = m_series->aheadMinutes;
    }
    ::SendDlgItemMessageA(self, IDC_REPEAT, CB_SETCURSEL, choice, 0);
    ::SendDlgItemMessageA(self, IDC_REMIND_AHEAD, CB_SETCURSEL, AheadChoiceOf(ahead), 0);
    m_lastChoice = choice;
    for (int id : {IDC_REPEAT, IDC_REMIND_AHEAD}) ::EnableWindow(GetDlgItem(id), !m_readOnly);
    ShowRepeatNote();
    m_shownFields = FieldsText(self);
}

RepeatMemo CRemarkDlg::ChosenSeries(const std::string& content, int hour, int minute) const {
    const RepeatChoice choice = static_cast<RepeatChoice>(Selected(m_hWnd, IDC_REPEAT));
    RepeatMemo memo = choice == RepeatChoice::Custom ? m_custom : m_series ? *m_series : m_custom;
    ApplyRepeatChoice(memo, choice, m_series ? m_series->first : m_date);
    memo.text = content;
    memo.hasTime = true;
    memo.hour = hour;
    memo.minute = minute;
    memo.aheadMinutes = kAheadChoiceMinutes[Selected(m_hWnd, IDC_REMIND_AHEAD) % kAheadChoiceCount];
    return memo;
}

void CRemarkDlg::ShowRepeatNote() {
    const RepeatChoice choice = static_cast<RepeatChoice>(Selected(m_hWnd, IDC_REPEAT));
    std::string note;
    if (choice != RepeatChoice::None) note = RepeatNoteText(ChosenSeries("x", 0, 0));
    ::SetDlgItemTextA(m_hWnd, IDC_REPEAT_NOTE, note.c_str());
}

void CRemarkDlg::OnRepeatChange() {
    const int choice = Selected(m_hWnd, IDC_REPEAT);
    if (choice == static_cast<int>(RepeatChoice::Custom)) {
        RepeatMemo start = m_custom;
        start.first = m_series ? m_series->first : m_date;
        CRepeatCustomDlg custom(this, start);
        if (custom.DoModal() == IDOK) {
            m_custom = custom.Chosen();
            m_customChanged = true;
        } else {
            ::SendDlgItemMessageA(m_hWnd, IDC_REPEAT, CB_SETCURSEL, m_lastChoice, 0);
        }
    }
    m_lastChoice = Selected(m_hWnd, IDC_REPEAT);
    ShowRepeatNote();
}

bool CRemarkDlg::SaveOccurrence(const std::string& content, const std::string& notice, int hour,
                                int minute) {
    if (!m_customChanged && FieldsText(m_hWnd) == m_shownFields) return true;  // nothing changed
    const RepeatScope scope = AskRepeatScope(this);
    if (scope == RepeatScope::Cancel) return false;
    const int ahead = kAheadChoiceMinutes[Selected(m_hWnd, IDC_REMIND_AHEAD) % kAheadChoiceCount];
    const bool ownMemo = scope == RepeatScope::ThisDate ||
                         static_cast<RepeatChoice>(Selected(m_hWnd, IDC_REPEAT)) == RepeatChoice::None;
    if (scope == RepeatScope::ThisDate) {
        RepeatMemo series = *m_series;
        series.skipped.push_back(m_date);
        Memos().SaveRepeat(m_seriesName, series);
    } else if (content.empty() || ownMemo) {
        Memos().DeleteRepeat(m_seriesName);
    } else {
        Memos().SaveRepeat(m_seriesName, ChosenSeries(content, hour, minute));
    }
    // The date's own memo: what "Only this date" leaves there, or what the
    // series became when it no longer repeats.
    if (ownMemo && !content.empty()) {
        Memos().SaveNotice(m_date, notice.data(), notice.size());
        Memos().SaveAhead(m_date, ahead);
        const std::string record = MemoRecord(DateText(m_nYear, m_nMonth, m_nDay), content);
        Memos().SaveMemo(m_date, record.data(), record.size());
    }
    return true;
}

void CRemarkDlg::RefuseEditing(const std::string& path, unsigned long error) {
    m_readOnly = true;
    for (int id : {IDC_CONTENT, IDC_HOUR, IDC_MINUTE})
        ::SendDlgItemMessageA(m_hWnd, id, EM_SETREADONLY, TRUE, 0);
    for (int id : {IDC_HOUR_SPIN, IDC_MINUTE_SPIN}) ::EnableWindow(GetDlgItem(id), FALSE);
    const std::string text = CFileException::FromOsError(error, path).ErrorMessage() +
                             "\n\nThe stored memo could not be read. It is left as it is: "
                             "nothing is saved when this window closes. Please open the day "
                             "again later.";
    AppMessageBox(text.c_str(), MB_OK | MB_ICONWARNING, m_hWnd);
}

unsigned long CRemarkDlg::LoadMemo() {
    // The whole record, not just the first kMemoReadLimit bytes the other
    // readers look at: what is not shown here would be lost by the next OK.
    std::string text;
    if (const unsigned long error = Memos().ReadMemoForEdit(m_date, kMemoRecordLimit, text))
        return error;
    // The record's own head goes also when the date text is longer than the
    // usual head: left in, every open and OK would add another one.
    const std::string ownHead = MemoRecord(DateText(m_nYear, m_nMonth, m_nDay), std::string());
    const std::string content = text.compare(0, ownHead.size(), ownHead) == 0
                                    ? text.substr(ownHead.size())
                                    : CutMemoHead(text);
    ::SetDlgItemTextA(m_hWnd, IDC_CONTENT, content.c_str());
    return 0;
}

unsigned long CRemarkDlg::LoadNotice() {
    std::string text;
    if (const unsigned long error = Memos().ReadNoticeForEdit(m_date, kNoticeReadLimit, text))
        return error;
    // A missing notice, or one without ":", has no time in it: the defaults stay.
    const std::optional<NoticeFields> fields = SplitNoticeText(text);
    if (!fields) return 0;
    ::SetDlgItemTextA(m_hWnd, IDC_HOUR, fields->hour.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_MINUTE, fields->minute.c_str());
    return 0;
}

void CRemarkDlg::OnButtonOK() {
    if (m_readOnly) {  // nothing could be changed, so nothing is written
        EndDialog(IDCANCEL);
        return;
    }
    const std::string hourText = DlgItemText(m_hWnd, IDC_HOUR, kTimeTextBuffer - 1);
    const std::string minuteText = DlgItemText(m_hWnd, IDC_MINUTE, kTimeTextBuffer - 1);
    const int hour = ParseLeadingInt(hourText.c_str());
    const int minute = ParseLeadingInt(minuteText.c_str());
    if (hour < 0 || hour > 23) {
        AppMessageBox("Hour not available", MB_OK, m_hWnd);
        return;
    }
    if (minute < 0 || minute > 59) {
        AppMessageBox("Minute not available", MB_OK, m_hWnd);
        return;
    }

    const std::string notice = NoticeText(hourText, minuteText);
    const std::string content = DlgItemText(m_hWnd, IDC_CONTENT, kMemoContentLimit);
    if (m_series) {
        if (SaveOccurrence(content, notice, hour, minute)) EndDialog(IDOK);
        return;
    }
    // The time is saved first and stays saved whatever follows.
    Memos().SaveNotice(m_date, notice.data(), notice.size());
    const int ahead = kAheadChoiceMinutes[Selected(m_hWnd, IDC_REMIND_AHEAD) % kAheadChoiceCount];
    Memos().SaveAhead(m_date, ahead);

    if (!content.empty() && static_cast<RepeatChoice>(Selected(m_hWnd, IDC_REPEAT)) !=
                                RepeatChoice::None) {
        // A new repeating memo from this date on; the date's own memo, if
        // it had one, is now its first occurrence.
        Memos().SaveRepeat(std::string(), ChosenSeries(content, hour, minute));
        Memos().DeleteMemo(m_date);
        EndDialog(IDOK);
        return;
    }
    if (content.empty()) {
        if (::MessageBoxA(m_hWnd, "Are you sure not to add any content?", kEmptyMemoCaption,
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        Memos().DeleteMemo(m_date);
        EndDialog(IDOK);
        return;
    }

    const std::string dateText = DlgItemText(m_hWnd, IDC_DATE, kMemoDateTextLimit);
    const std::string record = MemoRecord(dateText, content);
    Memos().SaveMemo(m_date, record.data(), record.size());
    EndDialog(IDOK);
}

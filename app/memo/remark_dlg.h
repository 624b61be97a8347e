// CRemarkDlg: the "New Memo" dialog, where the user writes the memo of one
// date and its remind time. The panel owns one object for its whole life,
// sets the date and runs it modally for each day clicked.
#pragma once

#include "controls/image_slider.h"
#include "controls/skin_button.h"
#include "core/base/basic_types.h"
#include "core/memo/memo_format.h"
#include "core/memo/repeat_memo.h"
#include "platform/dialog.h"
#include "platform/spin_button.h"

#include <optional>
#include <string>

// The largest memo record the editor writes: "[" + a date text of at most
// 15 bytes + "] " + kMemoContentLimit bytes. The editor reads this much, so
// opening a memo and pressing OK never cuts it.
constexpr std::size_t kMemoDateTextLimit = 15;
constexpr std::size_t kMemoRecordLimit = 1 + kMemoDateTextLimit + 2 + kMemoContentLimit;

// Caption of the question asked before an empty memo is deleted.
extern const char kEmptyMemoCaption[];

class CRemarkDlg : public CDialog {
public:
    CRemarkDlg();
    ~CRemarkDlg() override;

    BOOL OnInitDialog() override;
    // Enter arrives as the OK command; it must not save or close.
    void OnOK() override {}

    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange() override;

private:
    void OnButtonOK();
    void OnButtonCancel() { OnCancel(); }
    void OnRepeatChange();
    // Fills the two drop-downs and shows the repeating memo on this date
    // when the date has no memo of its own.
    void LoadRepeat();
    void ShowRepeatNote();
    // OK on a date of a repeating memo; true when the dialog may close.
    bool SaveOccurrence(const std::string& content, const std::string& notice, int hour,
                        int minute);
    // The rule the "Repeat" drop-down stands for, with the editor's fields.
    RepeatMemo ChosenSeries(const std::string& content, int hour, int minute) const;

    // Each returns the platform error of a stored file it could not read
    // (0 when read or missing).
    unsigned long LoadMemo();
    unsigned long LoadNotice();
    // Says which file could not be read, and leaves the run read-only.
    void RefuseEditing(const std::string& path, unsigned long error);

    // The date the editor opened on; reads and saves go to its files.
    Date m_date;
    // The two file paths in full, however long: a failed save names the
    // path whole.
    std::string m_remarkPath;
    std::string m_noticePath;
    // A stored file could not be read in this run: what the fields show is
    // not what is stored, so OK must not write or delete anything.
    bool m_readOnly = false;

    // The repeating memo shown (the date has no memo of its own) and its
    // file; what the fields showed at the start, to ask only after a change.
    std::optional<RepeatMemo> m_series;
    std::string m_seriesName;
    RepeatMemo m_custom;  // the rule "Custom..." stands for
    int m_lastChoice = 0;
    std::string m_shownFields;
    bool m_customChanged = false;

    CSpinButtonCtrl m_spinHour;
    CSpinButtonCtrl m_spinMinute;
    CSkinButton m_btnOK;
    CSkinButton m_btnCancel;
    CImageSlider m_picture;
};

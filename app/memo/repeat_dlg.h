// The editor's two small dialogs over repeating memos: "Custom Repeat"
// (interval, weekdays, where in the month, end) and the question whether a
// change to an occurrence holds for that date only or every time.
#pragma once

#include "core/memo/repeat_memo.h"
#include "platform/dialog.h"

class CRepeatCustomDlg : public CDialog {
public:
    // `memo` gives the first date and the rule shown at the start.
    CRepeatCustomDlg(CWnd* parent, const RepeatMemo& memo);
    BOOL OnInitDialog() override;
    void OnOK() override;
    // The rule chosen (valid after OK).
    const RepeatMemo& Chosen() const { return m_memo; }

    DECLARE_MESSAGE_MAP()

private:
    void OnUnitChange();
    void ShowParts();
    RepeatMemo m_memo;
};

enum class RepeatScope { Cancel, ThisDate, EveryTime };
// "Only this date" / "Every time" / Cancel.
RepeatScope AskRepeatScope(CWnd* parent);

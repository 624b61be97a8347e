// CFindMemoDlg: "Find Memo", a small dialog that lists every date whose memo
// holds the typed words (date, remind time, the line they stand on), newest
// first, and follows the typing. Enter or a double click on a date ends it
// with that date chosen; the panel then shows it and opens its editor.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/memo_search.h"
#include "platform/dialog.h"

class CFindMemoDlg : public CDialog {
public:
    explicit CFindMemoDlg(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;  // Enter: the selected date, or the first one
    // The date chosen when the run ended with IDOK.
    const std::optional<Date>& Chosen() const { return m_chosen; }

    DECLARE_MESSAGE_MAP()

protected:
    // Up, Down, Page Up and Page Down in the words move through the list.
    bool PreTranslateMessage(MSG* msg) override;

private:
    void OnWordsChanged();
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnNotify(WPARAM, LPARAM);
    void Search();
    // Columns' texts of a hit; the remind time is read when first shown.
    std::string ColumnText(std::size_t index, int column);
    void ChooseItem(int index);

    struct Row {
        MemoHit hit;
        std::optional<std::string> remind;
    };
    std::vector<Row> m_rows;
    std::optional<Date> m_chosen;
    std::string m_scratch;  // the text a display-info request points at
    std::wstring m_wideScratch;
};

// CFindMemoDlg: "Find Memo", a small dialog that lists every date whose memo
// holds the typed words (date, remind time, the line they stand on), newest
// first, and follows the typing. The matching runs on the finder's worker
// (app/memo/memo_finder.h), so a keystroke never waits for it: the dates
// come into the list as they are found. Enter or a double click on a date
// ends it with that date chosen; the panel then shows it and opens its
// editor.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/memo/memo_finder.h"
#include "core/base/basic_types.h"
#include "platform/dialog.h"

class CFindMemoDlg : public CDialog {
public:
    // `codePage`: the memo files' (the tests name others than CP_ACP).
    explicit CFindMemoDlg(CWnd* parent = nullptr, unsigned codePage = CP_ACP);

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
    LRESULT OnFindHits();
    LRESULT OnNotify(NMHDR* header);
    void OnDestroy();
    // Columns' texts of a hit; the remind time is read when first shown.
    std::u16string ColumnText(std::size_t index, int column);
    void ChooseItem(int index);

    struct Row {
        MemoFinder::Hit hit;
        std::optional<std::string> remind;
    };
    const unsigned m_codePage;
    // Made with the window, gone with it: the index lives while the dialog shows.
    std::optional<MemoFinder> m_finder;
    unsigned m_asked = 0;  // the generation of the words typed last
    unsigned m_shown = 0;  // the generation the rows belong to
    bool m_finished = false;      // the rows are all of it
    bool m_enterWaiting = false;  // Enter came before the words' first date
    std::vector<Row> m_rows;
    std::optional<Date> m_chosen;
    std::string m_scratch;  // the text a display-info request points at
    std::u16string m_wideScratch;
};

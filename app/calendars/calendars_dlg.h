// "Calendars": the subscribed calendars in a list (name, address, last
// refresh and its result), with Add, Remove, Refresh now and, for the
// selected calendar, "Show its reminders". OK keeps the changes; Cancel
// drops them (and the copies of calendars added meanwhile). Failures show in
// the list, never in a box of their own.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/calendars/calendar_layer.h"
#include "platform/dialog.h"

class CCalendarsDlg : public CDialog {
public:
    CCalendarsDlg(CalendarLayer& layer, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnAdd();
    void OnRemove();
    void OnRefreshNow();
    void OnRemindersClicked();
    void OnTimer(UINT_PTR id);
    LRESULT OnNotify(NMHDR* header);
    // The list's rows from m_list; the selection stays on the same row.
    void FillList();
    // The worker's latest results for the calendars shown.
    void TakeResults();
    int Selected() const;
    void ShowSelection();

    CalendarLayer& m_layer;
    std::vector<Subscription> m_list;
    std::set<std::string> m_added;  // ids added in this run
};

// "Subscribe to Calendar": an address and a name; OK fetches the calendar at
// once (on a thread of its own; the dialog stays live) and ends the dialog
// when it came, or shows why not.
class CSubscribeDlg : public CDialog {
public:
    CSubscribeDlg(const std::string& id, CWnd* parent = nullptr);
    ~CSubscribeDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    // The new subscription, when the run ended with IDOK.
    const Subscription& Added() const { return m_added; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnFetched();

    struct Fetch;
    Fetch* m_fetch = nullptr;  // the one under way; it outlives a cancelled dialog
    std::string m_id;
    Subscription m_added;
};

// "Calendar Server": the server's address (or a calendar's own), the user
// name and password, the calendar to sync with, "Sync now" and a status
// line. "Sync now" syncs at once with what the dialog holds (on the sync's
// worker; the dialog stays live) and shows the result in the status line;
// OK keeps the account, Cancel leaves the kept one as it was. Nothing here
// pops up a box by itself.
#pragma once

#include <string>
#include <vector>

#include "app/sync/calendar_sync.h"
#include "platform/dialog.h"

class CServerDlg : public CDialog {
public:
    CServerDlg(CalendarSync& sync, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnSyncNow();
    void OnTimer(UINT_PTR id);
    // The account as the fields and the calendar list give it.
    SyncAccount FromFields() const;
    // The calendar list: the calendars found, and a new "Vellumo" one.
    void FillCalendars(const std::vector<FoundCalendar>& found, const std::string& chosen,
                       const std::string& chosenName);
    void TakeStatus();

    CalendarSync& m_sync;
    std::vector<FoundCalendar> m_calendars;  // the list's entries, in order
    std::string m_listedFor;                 // the address and user the list belongs to
    unsigned m_serial = 0;
};

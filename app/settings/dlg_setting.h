// CDlgSetting: the "Vellumo Setting" dialog (template 185). It opens with
// what the settings store holds; OK stores the hour format, the number of
// days (1..7), whether missed reminders are shown late and the start at
// log-on, and keeps the chosen values for the caller to apply; Cancel stores
// nothing. When the start at log-on cannot be set or removed, OK says so,
// turns the box back and stores nothing, leaving the dialog open.
#pragma once

#include <functional>

#include "platform/dialog.h"
#include "platform/spin_button.h"

// Shown when the start at log-on was asked for and could not be set.
extern const char* const kAutoRunRefused;
// Shown when the start at log-on was unticked and could not be removed.
extern const char* const kAutoRunNotRemoved;

class CDlgSetting : public CDialog {
public:
    explicit CDlgSetting(CWnd* parent = nullptr);
    // "Calendar server..." opens the server's dialog over this one.
    void SetServerDialog(std::function<void(CWnd* owner)> open) { m_openServer = std::move(open); }

    // Valid after DoModal returned IDOK; 24 and 1 before.
    int ChosenHourFormat() const { return m_hourFormat; }  // 12 or 24
    int ChosenDays() const { return m_days; }              // 1..7

    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange() override;

private:
    // Sets the box to what stands, says why and leaves the dialog open.
    void RefuseAutoRunChange(bool stillSet, const char* message);

    bool m_autoRunShown = false;  // the box as it opened
    int m_hourFormat = 24;
    int m_days = 1;
    CSpinButtonCtrl m_daysSpin;
    std::function<void(CWnd* owner)> m_openServer;
    void OnServer();
};

// The product's own windows and state run inside the test program: the
// panel run modally, a button's tip after a hover, and where the settings
// store keeps the start at log-on, changed for one test. Only the window
// tests, which link the product, use these.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/panel/vellumo_dlg.h"
#include "app/settings/settings_store.h"

class CSkinButton;

// Runs the panel modally and calls `check` from inside its loop once the
// panel shows; a start-up announcement is closed first (its text is kept in
// LastAnnouncement()). The exit mark then ends the run, also when the run
// is stuck (the watchdog), and the reminder thread the panel started is
// stopped whatever happened.
void RunPanel(const std::function<void(CVellumoDlg&)>& check);
const std::string& LastAnnouncement();

// The button's tip window, as the first mouse move over it makes it.
HWND TipWindowAfterHover(CSkinButton& button);

// Where the settings store keeps the start at log-on, changed for one test:
// the Run value, as on Windows 2000 and XP, or a task folder of the Task
// Scheduler's other than the root. Put back when it goes.
class AutoRunPlaceOverride {
public:
    explicit AutoRunPlaceOverride(std::optional<AutoRunMechanism> mechanism,
                                  const std::string& taskFolder = "\\")
        : saved_(AutoRunTestPlace()) {
        AutoRunTestPlace().mechanism = mechanism;
        AutoRunTestPlace().taskFolder = taskFolder;
    }
    ~AutoRunPlaceOverride() { AutoRunTestPlace() = saved_; }
    AutoRunPlaceOverride(const AutoRunPlaceOverride&) = delete;
    AutoRunPlaceOverride& operator=(const AutoRunPlaceOverride&) = delete;

private:
    AutoRunPlace saved_;
};

// As Windows 2000 and XP do it.
struct AsOnWindowsXp : AutoRunPlaceOverride {
    AsOnWindowsXp() : AutoRunPlaceOverride(AutoRunMechanism::RunValue) {}
};

// Running the real calendar panel modally inside a window test.
#pragma once

#include <functional>
#include <string>

#include "app/panel/vellumo_dlg.h"
#include "tests/win/win_test_support.h"

// Runs the panel modally and calls `check` from inside its loop once the
// panel shows; a start-up announcement is closed first (its text is kept in
// LastAnnouncement()). The exit mark then ends the run, also when the run
// is stuck (the watchdog), and the reminder thread the panel started is
// stopped whatever happened.
void RunPanel(const std::function<void(CVellumoDlg&)>& check);
const std::string& LastAnnouncement();

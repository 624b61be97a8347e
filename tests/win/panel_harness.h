// Running the real calendar panel modally inside a window test.
#pragma once

#include <functional>
#include <string>

#include "calendar/vellumo_dlg.h"

// Directory of the test program (memo files go below it).
std::string TestProgramDir();
// Writes `bytes` as the whole file, bypassing the memo store.
void WriteRaw(const std::string& path, const std::string& bytes);

// Runs the panel modally and calls `check` from inside its loop once the
// panel shows; a start-up announcement is closed first (its text is kept in
// LastAnnouncement()). The exit mark then ends the run, and the reminder
// thread the panel started is stopped.
void RunPanel(const std::function<void(CVellumoDlg&)>& check);
const std::string& LastAnnouncement();

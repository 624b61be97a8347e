// Finding and answering dialogs and message boxes, in this thread or in
// another process.
#pragma once

#include <windows.h>

#include <string>

// A visible dialog or message box of this thread with this caption, or null.
HWND FindThreadDialog(const char* caption);
// A top-level dialog-class window (any process) with this caption whose
// owner is set (`owned`) or not, or null.
HWND FindDialog(const char* caption, bool owned);
// The text of a message box.
std::string MessageBoxText(HWND box);
// Presses one of a box's buttons (IDOK, IDYES, ...) without waiting.
void AnswerBox(HWND box, int button);
// Posts a click of button `id` of `dialog`.
void PostClick(HWND dialog, int id);
// Posts IDCANCEL to every visible dialog of this thread and ends a tracked
// menu: what a stuck modal run is ended with.
void CloseThreadDialogs();

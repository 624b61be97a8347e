// The start-up announcement box's text: the digest's memos, each whole with
// its line breaks, as long as the box still fits the screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/memo/memo_format.h"

// Whether a box showing `text` fits the screen; the window code measures it.
using AnnouncementFits = std::function<bool(const std::string& text)>;

// Each entry whole, its line breaks kept (CR LF as "\n"), and "\n" after it.
// When that does not fit, as much of it as fits, in order: the last line
// shown is cut after a whole word (never inside a double-byte character)
// and ends in "...", and a last line tells what the ticker has besides,
// e.g. "... and 2 more lines and 3 more memos in the ticker."
std::string AnnouncementText(const std::vector<std::string>& entries, const AnnouncementFits& fits,
                             LeadBytePredicate isLeadByte);

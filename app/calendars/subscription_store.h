// Where subscriptions are kept, per user: one key each under
// HKEY_CURRENT_USER\Software\Brakkon\Torvane08\Calendars (named by its id),
// and the last good copy of each calendar in the user's application data
// folder (Vellumo\Calendars\<id>.ics), replaced in one step. Nothing of them
// goes beside the memos.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/calendars/subscription.h"

// In the order of their ids (the order they were added).
std::vector<Subscription> LoadSubscriptions();
// Writes every field; false when the key could not be written.
bool SaveSubscription(const Subscription& s);
// Deletes the key and the copy.
void RemoveSubscription(const std::string& id);
// An id no kept subscription has.
std::string NewSubscriptionId();

// The kept copy's bytes; none when there is no copy (or it cannot be read).
std::optional<std::string> ReadCalendarCopy(const std::string& id);
// Replaces the copy in one step (a new file beside it, then a move over it),
// so a crash leaves the old copy whole; false when it could not.
bool WriteCalendarCopy(const std::string& id, const std::string& bytes);
// The folder of the copies, ending in a backslash; "" when the user has no
// application data folder.
std::string CalendarCopyFolder();

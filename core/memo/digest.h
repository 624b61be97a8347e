// The upcoming-memo digest that the ticker scrolls, with no file access: the
// memo texts of `days` consecutive dates, the fallback when there is none,
// and BreakLongWords, which gives the ticker's word wrap places to break.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/memo/memo_format.h"

// Cuts runs without a space into pieces by inserting spaces (positions count
// bytes; the search for spaces steps over double-byte characters, the
// inserted spaces do not):
// - no space at all: a space at 16, 33, 50, ... while below the entry length
//   (so 50 bytes become 16 + 16 + 18);
// - else every run before a space is cut into 16-byte pieces (a run of exactly
//   16k bytes thus ends in two spaces), and bytes after the last space that are
//   more than 16 get a space after 15, then every 16 more, below the length
//   before the tail was cut.
// Returns the grown text.
std::string BreakLongWords(std::string text, LeadBytePredicate isLeadByte);

// The digest of `days` dates from (year, month, startDay): for every date whose
// memo opens, in date order, its text (through BreakLongWords when longer than
// 16 bytes) and "\n". After the last day of a month comes day 1 of the next
// (December rolls into January of year + 1); a start day the month does not
// have (the 31st of a 30-day month) is still read, then day 1 follows. An
// opened empty file adds an empty line. days <= 0 gives "".
// A walk that would step past the last representable year stops there.
std::string BuildDigest(int year, int month, int startDay, int days,
                        const DayTextReader& readMemo, LeadBytePredicate isLeadByte);

// The digest's entries before they are joined: one text per memo that opens,
// in date order, as BuildDigest takes it.
std::vector<std::string> DigestEntries(int year, int month, int startDay, int days,
                                       const DayTextReader& readMemo,
                                       LeadBytePredicate isLeadByte);
// Every entry followed by "\n" (BuildDigest's text).
std::string JoinDigest(const std::vector<std::string>& entries);

// The ticker's text when the digest is empty: "No memo today. ..." for
// days <= 1, "No memo in <days> days. ..." otherwise, with two line feeds
// before and six after.
std::string NoMemoText(int days);

// What the ticker gets: digest + "\n\n\n", or NoMemoText(days) for an empty digest.
std::string TickerText(const std::string& digest, int days);

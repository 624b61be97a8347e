// Moving a date by whole days, carrying across months and years: the
// keyboard's steps through the grid and the calendar files' day arithmetic.
#pragma once

#include <cstdint>

#include "core/base/basic_types.h"

// `from` moved by `days` (back when negative). `from`'s day is taken within
// its month first (1..its last day; a month outside 1..12 is January), so a
// date the calendar does not have still moves from a day it has. Only for
// results in the years of int.
Date AddDays(const Date& from, std::int64_t days);

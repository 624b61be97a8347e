// Moving a date by whole days, as the keyboard moves through the grid: the
// first and last day of a month lead into the neighbouring month.
#pragma once

#include "core/base/basic_types.h"

// `from` moved by `days` (back when negative), carrying across months and
// years. `from`'s day is taken within its month first (1..its last day).
Date AddDays(const Date& from, int days);

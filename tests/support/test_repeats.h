// A repeating memo of a plain rule, for the tests of rules and their
// calendar-file form: every `interval` units from `first`, text "x".
#pragma once

#include "core/memo/repeat_memo.h"

inline RepeatMemo PlainRepeat(RepeatUnit unit, const Date& first, int interval = 1) {
    RepeatMemo memo;
    memo.text = "x";
    memo.unit = unit;
    memo.first = first;
    memo.interval = interval;
    return memo;
}

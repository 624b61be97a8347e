#!/usr/bin/env python3
"""Reads an iCalendar file with the icalendar package (Debian's
python3-icalendar) and prints one line per event, for a test to compare
with the memos the file was made from:

    <uid> <date> <time or "all-day"> <length> <summary> <description> <alarm>

<length> is "<n>min" for a timed event, "to-<date>" for an all-day one;
summary and description are their UTF-8 bytes in hex ("-" when empty);
<alarm> is "<action>@<trigger seconds>:<description hex>" or "none".
Exits non-zero when the file cannot be read.
"""
import datetime
import sys

import icalendar


def hexed(value):
    text = str(value) if value is not None else ""
    return text.encode("utf-8").hex() or "-"


def day(d):
    return "%04d-%02d-%02d" % (d.year, d.month, d.day)


def main(path):
    with open(path, "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    for event in calendar.walk("VEVENT"):
        start = event.decoded("DTSTART")
        if isinstance(start, datetime.datetime):
            if start.tzinfo is not None:
                when = day(start) + " zoned"
            else:
                when = day(start) + " %02d:%02d" % (start.hour, start.minute)
            if "DURATION" in event:
                length = event.decoded("DURATION")
            else:
                length = event.decoded("DTEND") - start
            span = "%dmin" % (length.total_seconds() // 60)
        else:
            when = day(start) + " all-day"
            span = "to-" + day(event.decoded("DTEND"))
        alarms = []
        for alarm in event.walk("VALARM"):
            trigger = alarm.decoded("TRIGGER")
            seconds = int(trigger.total_seconds()) if isinstance(trigger, datetime.timedelta) else -1
            alarms.append("%s@%d:%s" % (alarm.get("ACTION"), seconds, hexed(alarm.get("DESCRIPTION"))))
        print(event.get("UID"), when, span, hexed(event.get("SUMMARY")),
              hexed(event.get("DESCRIPTION")), ",".join(alarms) or "none")


if __name__ == "__main__":
    main(sys.argv[1])

// An exported file read by an independent iCalendar parser: Debian's
// python3-icalendar, through tests/support/ical_check.py. Natively only.
#include "core/memo/ical_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <cstdio>

#include "tests/support/fake_code_pages.h"
#include "tests/support/ical_test_memos.h"

#if !defined(_WIN32) && defined(VELLUMO_ICAL_CHECK_SCRIPT)
#define VELLUMO_ICAL_ORACLE 1
#endif

namespace {
#ifdef VELLUMO_ICAL_ORACLE

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out.empty() ? "-" : out;
}

std::string Day(const Date& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

// The line ical_check.py prints for a memo's event.
std::string ExpectedLine(const IcalTestMemo& m) {
    std::string line =
        "vellumo-" + DateText(m.date.year, m.date.month, m.date.day) + "@vellumo " + Day(m.date);
    if (m.hour < 0) {
        line += " all-day to-" + Day(AddDays(m.date, 1));
    } else {
        char time[16];
        std::snprintf(time, sizeof time, " %02d:%02d 15min", m.hour, m.minute);
        line += time;
    }
    line += " " + Hex(m.summary) + " " + Hex(m.utf8) + " ";
    line += m.hour < 0 ? "none" : "DISPLAY@0:" + Hex(m.summary);
    return line;
}
#endif
}  // namespace

TEST(IcalOracle, PythonIcalendarReadsTheExportAsTheMemos) {
#ifndef VELLUMO_ICAL_ORACLE
    GTEST_SKIP() << "the python3-icalendar check runs in the native build only";
#else
    const std::string python =
        std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    if (std::system((python + " -c 'import icalendar' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-icalendar is not installed (scripts/common.sh installs it)";

    const std::vector<IcalTestMemo> memos = IcalTestMemos(300, true);
    std::vector<MemoForExport> exported;
    std::vector<std::string> expected;
    for (const IcalTestMemo& m : memos) {
        exported.push_back(MemoForExport{m.date, m.MemoFile(), m.notice});
        expected.push_back(ExpectedLine(m));
    }
    const IcsExport file = ExportIcs(exported, fake_code_pages::Windows1252(),
                                     LocalDateTime{Date{2026, 3, 10}, TimeOfDay{12, 0, 0}});

    const std::filesystem::path dir = VELLUMO_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(dir);
    const std::filesystem::path ics = dir / "ical_oracle.ics", out = dir / "ical_oracle.txt";
    std::ofstream(ics, std::ios::binary) << file.bytes;
    const std::string command =
        python + " '" VELLUMO_ICAL_CHECK_SCRIPT "' '" + ics.string() + "' > '" + out.string() + "'";
    ASSERT_EQ(0, std::system(command.c_str())) << command;

    std::ifstream printed(out);
    std::vector<std::string> got;
    for (std::string line; std::getline(printed, line);) got.push_back(line);
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(expected.size(), got.size());
    int mismatches = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (expected[i] == got[i] || ++mismatches > 3) continue;
        const std::size_t at =
            std::mismatch(expected[i].begin(), expected[i].end(), got[i].begin(), got[i].end())
                .first -
            expected[i].begin();
        ADD_FAILURE() << "event " << expected[i].substr(0, expected[i].find(' '))
                      << " differs from byte " << at << ":\nexpected ..."
                      << expected[i].substr(at, 120) << "\n     got ..." << got[i].substr(at, 120);
    }
    EXPECT_EQ(0, mismatches);
#endif
}

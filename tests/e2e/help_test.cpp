// The built help file: the table of contents chmcmd compiled names every
// topic a user needs, every page it names is in the .chm's directory and
// carries that title, and the pages tell what they must.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_files.h"

namespace {

// Every (name, page) of a table of contents, in order.
std::vector<std::pair<std::string, std::string>> Contents(const std::string& toc) {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string name = "<param name=\"Name\" value=\"", local = "<param name=\"Local\" value=\"";
    for (size_t at = toc.find(name); at != std::string::npos; at = toc.find(name, at + 1)) {
        const size_t n = at + name.size();
        const size_t l = toc.find(local, n);
        if (l == std::string::npos) break;
        entries.emplace_back(toc.substr(n, toc.find('"', n) - n),
                             toc.substr(l + local.size(), toc.find('"', l + local.size()) - l - local.size()));
    }
    return entries;
}

// A .chm's directory lists each file as its name's length, then "/<name>".
bool ChmHasFile(const std::string& chm, const std::string& page) {
    const std::string entry = std::string(1, static_cast<char>(page.size() + 1)) + "/" + page;
    return chm.find(entry) != std::string::npos;
}

TEST(Help, ContentsNameEveryTopicAndEveryPageIsInTheFile) {
    const std::string out = TestProgramDir() + "\\..\\companions\\";
    if (!FileExists(out + "out\\Help.chm")) GTEST_SKIP() << "Help.chm was not built (no chmcmd)";
    const std::string chm = ReadFileText(out + "out\\Help.chm");
    const std::string stage = out + "help\\";  // what chmcmd compiled
    ASSERT_TRUE(ChmHasFile(chm, "toc.hhc"));

    const auto contents = Contents(ReadFileText(stage + "toc.hhc"));
    std::vector<std::string> names;
    for (const auto& [name, page] : contents) {
        names.push_back(name);
        EXPECT_TRUE(ChmHasFile(chm, page)) << page << " is not in Help.chm";
        EXPECT_NE(ReadFileText(stage + page).find("<title>" + name + "</title>"), std::string::npos) << page;
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Welcome to Vellumo", "The calendar panel", "Memos and reminders", "Where memos live",
                         "Backing up and restoring memos", "Moving memos to and from other calendars",
                         "The same memos on the phone and every PC", "The tools menu", "What Clear History removes",
                         "Settings", "The tray icon", "Command-line switches"}));

    // What the pages must tell, page by page.
    const std::vector<std::pair<std::string, std::vector<std::string>>> musts = {
        {"backup.htm", {"Back up now", "Restore", "Sandrel.exe restore", ".before-restore", "newest 30"}},
        {"cleaner.htm", {"Remove IE visit history", "Remove IE cookies", "Remove the cache files",
                         "Remove the typed URLs in IE", "Remove the forms of AutoComplete list in IE",
                         "Remove the Windows My Recent Documents list", "Remove the files in Windows Recycle Bin",
                         "Remove the files in Windows Temp folder", "Remove the Office open history",
                         "deleted for good", "Saved passwords", "Under Wine"}},
        {"switches.htm", {"/background", "/now"}},
        {"calendars.htm", {"Export to calendar file...", "Import calendar file...", "Restore",
                           "Sandrel.exe import", "Sandrel.exe export", "changes no memo"}},
        {"tools.htm", {"calendars.htm"}},
        {"sync.htm", {"Calendar server...", "Sync now", "-sync-", "both texts"}},
        {"memofiles.htm", {"Remark", "Notice", "beside the program file"}},
        {"settings.htm", {"Time Format", "Remind memo before", "log on"}},
        {"tray.htm", {"Double-click", "Right-click", "Exit"}},
    };
    for (const auto& [page, phrases] : musts) {
        const std::string html = ReadFileText(stage + page);
        for (const std::string& phrase : phrases)
            EXPECT_NE(html.find(phrase), std::string::npos) << page << " lacks \"" << phrase << "\"";
    }
}

}  // namespace

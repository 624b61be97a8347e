// The memo editor run modally in-process against a scratch program
// directory. A timer plays a script of steps inside the dialog's own loop
// (and inside the message boxes' loops): read the fields, type, press keys,
// click, and answer message boxes by caption.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/memo/memo_store.h"
#include "app/memo/remark_dlg.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

std::string Text(HWND wnd) {
    char buffer[8192] = {};
    ::GetWindowTextA(wnd, buffer, sizeof buffer);
    return buffer;
}

HWND Editor() { return FindThreadDialog("New Memo"); }
HWND Item(int id) { return ::GetDlgItem(Editor(), id); }

// The editor's script: the shared modal driver's steps plus the editor's
// own (its fields and buttons). Stuck runs close every box and the editor.
class Script {
public:
    using Step = ModalScript::Step;
    Script() : script_(10000) {}
    Script& Then(Step step) { return Add(script_.Then(std::move(step))); }
    Script& Do(std::function<void()> action) { return Add(script_.Do(std::move(action))); }
    Script& Pause(DWORD ms) { return Add(script_.Pause(ms)); }
    Script& WaitEditor() { return Add(script_.WaitShown(&Editor)); }
    Script& Set(int id, const std::string& text) {
        return Do([id, text] { ::SetWindowTextA(Item(id), text.c_str()); });
    }
    Script& Click(int id) {
        return Do([id] { PostClick(Editor(), id); });
    }
    // Waits for a message box with `caption`, records its text, answers it.
    Script& Answer(const std::string& caption, int button, std::string* text) {
        return Add(script_.Answer(caption, button, text));
    }
    INT_PTR Run(CRemarkDlg& dialog) {
        return script_.Run([&] { return dialog.DoModal(); });
    }

private:
    Script& Add(ModalScript&) { return *this; }
    ModalScript script_;
};

// What the editor shows, read by a step.
struct Shown {
    std::string title, date, hour, minute, content;
};
Script::Step ReadInto(Shown* shown) {
    return [shown] {
        shown->title = Text(Editor());
        shown->date = Text(Item(IDC_DATE));
        shown->hour = Text(Item(IDC_HOUR));
        shown->minute = Text(Item(IDC_MINUTE));
        shown->content = Text(Item(IDC_CONTENT));
        return true;
    };
}

class RemarkDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        Memos().InitMemoPaths(dir_);
        dialog.m_nYear = 2008;
        dialog.m_nMonth = 1;
        dialog.m_nDay = 5;
    }
    // Opens the editor, reads what it shows, closes it with `button` and
    // checks what the run returned.
    Shown OpenAndClose(int button, INT_PTR result);
    std::string MemoFile() const { return dir_ + "\\Remark\\Remark_2008-1-5.txt"; }
    std::string NoticeFile() const { return dir_ + "\\Notice\\Notice_2008-1-5.txt"; }

    CRemarkDlg dialog;
    const ScratchDir scratch_{"vellumo-editor", {"Remark", "Notice"}};
    const std::string dir_ = scratch_.Path();
};

Shown RemarkDlgTest::OpenAndClose(int button, INT_PTR result) {
    Shown shown;
    Script script;
    script.WaitEditor().Then(ReadInto(&shown)).Click(button);
    EXPECT_EQ(script.Run(dialog), result);
    return shown;
}

void PressEnter(int id) {
    HWND item = Item(id);
    ::SetFocus(item);
    ::PostMessageA(item, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageA(item, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

}  // namespace

TEST_F(RemarkDlgTest, NewDateShowsDefaultsAndEnterOnlyBreaksLinesInTheContent) {
    dialog.m_nYear = 2031;
    dialog.m_nMonth = 12;
    dialog.m_nDay = 31;
    Shown shown;
    Shown afterEnter;
    Script script;
    script.WaitEditor()
        .Then(ReadInto(&shown))
        .Do([] { PressEnter(IDC_HOUR); })
        .Pause(200)
        .Do([] { PressEnter(IDC_CONTENT); })
        .Pause(200)
        .Then(ReadInto(&afterEnter))
        .Click(IDC_REMARK_CANCEL);
    EXPECT_EQ(script.Run(dialog), IDCANCEL);

    EXPECT_EQ(shown.title, "New Memo");
    EXPECT_EQ(shown.date, "2031-12-31");
    EXPECT_EQ(shown.hour, "1");
    EXPECT_EQ(shown.minute, "30");
    EXPECT_EQ(shown.content, "");
    EXPECT_EQ(afterEnter.content, "\r\n");  // the editor stayed open through both
    EXPECT_FALSE(FileExists(dir_ + "\\Notice\\Notice_2031-12-31.txt"));
    EXPECT_FALSE(FileExists(dir_ + "\\Remark\\Remark_2031-12-31.txt"));
}

TEST_F(RemarkDlgTest, ExistingMemoOpensWithoutItsHeadAndSavesTheSameBytes) {
    WriteFileBytes(MemoFile(), "[2008-1-5] Dentist");
    WriteFileBytes(NoticeFile(), "9:05");
    Shown shown = OpenAndClose(IDC_REMARK_OK, IDOK);
    EXPECT_EQ(shown.title, "New Memo");
    EXPECT_EQ(shown.content, "Dentist");
    EXPECT_EQ(shown.hour, "9");
    EXPECT_EQ(shown.minute, "05");
    EXPECT_EQ(ReadFileText(MemoFile()), "[2008-1-5] Dentist");
    EXPECT_EQ(ReadFileText(NoticeFile()), "9:05");

    // "]" only at position 12: the text is not a head and shows whole. A
    // notice without ":" leaves the default time.
    WriteFileBytes(MemoFile(), "0123456789ab] tail");
    WriteFileBytes(NoticeFile(), "905");
    shown = OpenAndClose(IDC_REMARK_CANCEL, IDCANCEL);
    EXPECT_EQ(shown.content, "0123456789ab] tail");
    EXPECT_EQ(shown.hour, "1");
    EXPECT_EQ(shown.minute, "30");
}

TEST_F(RemarkDlgTest, TimesAreStoredAsTypedAndRangesChecked) {
    std::string hourBox, minuteBox, bothBox;
    Script script;
    script.WaitEditor()
        .Set(IDC_CONTENT, "Call")
        .Set(IDC_HOUR, "24")
        .Set(IDC_MINUTE, "60")
        .Click(IDC_REMARK_OK)
        .Answer("Vellumo", IDOK, &bothBox)
        .Pause(300)
        .Then([] { return FindThreadDialog("Vellumo") == nullptr; })  // only the hour message
        .Set(IDC_HOUR, "23")
        .Click(IDC_REMARK_OK)
        .Answer("Vellumo", IDOK, &minuteBox)
        .Set(IDC_HOUR, "24")
        .Set(IDC_MINUTE, "0")
        .Click(IDC_REMARK_OK)
        .Answer("Vellumo", IDOK, &hourBox)
        .Then([this] { return !FileExists(NoticeFile()) && !FileExists(MemoFile()); })
        .Set(IDC_HOUR, "007")
        .Set(IDC_MINUTE, "5")
        .Click(IDC_REMARK_OK);
    EXPECT_EQ(script.Run(dialog), IDOK);
    EXPECT_EQ(bothBox, "Hour not available");
    EXPECT_EQ(minuteBox, "Minute not available");
    EXPECT_EQ(hourBox, "Hour not available");
    EXPECT_EQ(ReadFileText(NoticeFile()), "007:5");
    EXPECT_EQ(ReadFileText(MemoFile()), "[2008-1-5] Call");

    // Shown again as typed; an empty hour is hour 0 and stored empty.
    Shown shown;
    Script again;
    again.WaitEditor().Then(ReadInto(&shown)).Set(IDC_HOUR, "").Click(IDC_REMARK_OK);
    EXPECT_EQ(again.Run(dialog), IDOK);
    EXPECT_EQ(shown.hour, "007");
    EXPECT_EQ(shown.minute, "5");
    EXPECT_EQ(ReadFileText(NoticeFile()), ":5");
}

TEST_F(RemarkDlgTest, EmptiedMemoAsksAndOnYesDeletesTheMemoButKeepsTheNewTime) {
    WriteFileBytes(MemoFile(), "[2008-1-5] Dentist");
    WriteFileBytes(NoticeFile(), "1:30");
    std::string first, second;
    bool memoAfterNo = false;
    bool openAfterNo = false;
    Script script;
    script.WaitEditor()
        .Set(IDC_CONTENT, "")
        .Set(IDC_HOUR, "8")
        .Set(IDC_MINUTE, "15")
        .Click(IDC_REMARK_OK)
        .Answer("Info", IDNO, &first)
        .Pause(100)
        .Do([&] {
            memoAfterNo = FileExists(MemoFile());
            openAfterNo = Editor() != nullptr;
        })
        .Click(IDC_REMARK_OK)
        .Answer("Info", IDYES, &second);
    EXPECT_EQ(script.Run(dialog), IDOK);
    EXPECT_EQ(first, "Are you sure not to add any content?");
    EXPECT_EQ(second, first);
    EXPECT_TRUE(memoAfterNo);
    EXPECT_TRUE(openAfterNo);
    EXPECT_FALSE(FileExists(MemoFile()));
    EXPECT_EQ(ReadFileText(NoticeFile()), "8:15");
}

TEST_F(RemarkDlgTest, FullLengthMemoSurvivesOpenAndOkByteForByte) {
    std::string content;
    for (int line = 0; content.size() < kMemoContentLimit; ++line)
        content += "line " + std::to_string(line) + " of a long memo, words and more\r\n";
    content.resize(kMemoContentLimit);
    content.back() = 'Z';
    // The longest record of a real date (10-byte date text), and the longest
    // the editor can write at all (15-byte date text).
    struct Case {
        int year, month, day;
        std::string date;
        std::size_t size;
    };
    for (const Case& c : {Case{2008, 12, 31, "2008-12-31", 4108u},
                          Case{214748364, 12, 31, "214748364-12-31", kMemoRecordLimit}}) {
        dialog.m_nYear = c.year;
        dialog.m_nMonth = c.month;
        dialog.m_nDay = c.day;
        const std::string memo = dir_ + "\\Remark\\Remark_" + c.date + ".txt";
        const std::string notice = dir_ + "\\Notice\\Notice_" + c.date + ".txt";
        const std::string record = "[" + c.date + "] " + content;
        ASSERT_EQ(record.size(), c.size);
        WriteFileBytes(memo, record);
        WriteFileBytes(notice, "6:45");
        const Shown shown = OpenAndClose(IDC_REMARK_OK, IDOK);
        EXPECT_EQ(shown.content, content) << c.date;
        EXPECT_EQ(ReadFileText(memo), record) << c.date;
        ::DeleteFileA(memo.c_str());
        ::DeleteFileA(notice.c_str());
    }
}

TEST_F(RemarkDlgTest, AMemoHeldElsewhereForAMomentIsWaitedForAndShown) {
    WriteFileBytes(MemoFile(), "[2008-1-5] Dentist");
    WriteFileBytes(NoticeFile(), "9:05");
    MemoSaverProcess holder("hold", MemoFile(), "300");
    ASSERT_TRUE(holder.WaitReady());
    std::string probe;
    ASSERT_FALSE(MemoStore::ReadDayFile(MemoFile(), kMemoReadLimit, probe));  // held now
    const Shown shown = OpenAndClose(IDC_REMARK_CANCEL, IDCANCEL);
    EXPECT_EQ(shown.content, "Dentist");
    EXPECT_EQ(shown.hour, "9");
    EXPECT_EQ(shown.minute, "05");
}

TEST_F(RemarkDlgTest, AMemoHeldForGoodIsNamedAndNeitherOkNorCancelTouchesIt) {
    WriteFileBytes(MemoFile(), "[2008-1-5] Dentist");
    WriteFileBytes(NoticeFile(), "9:05");
    MemoSaverProcess holder("hold", MemoFile());
    ASSERT_TRUE(holder.WaitReady());
    for (int button : {IDC_REMARK_OK, IDC_REMARK_CANCEL}) {
        std::string message;
        bool readOnly = false;
        Script script;
        script.Answer("Vellumo", IDOK, &message)
            .WaitEditor()
            .Do([&] {
                readOnly = (::GetWindowLongA(Item(IDC_CONTENT), GWL_STYLE) & ES_READONLY) != 0;
            })
            // What a save would do with the empty box: ask, then delete.
            .Set(IDC_CONTENT, "")
            .Set(IDC_HOUR, "8")
            .Click(button);
        EXPECT_EQ(script.Run(dialog), IDCANCEL);
        EXPECT_NE(message.find("A sharing violation occurred while accessing " + MemoFile() + "."),
                  std::string::npos)
            << message;
        EXPECT_TRUE(readOnly);
        EXPECT_EQ(FindThreadDialog("Info"), nullptr);
    }
    holder.Kill();
    EXPECT_EQ(ReadFileText(MemoFile()), "[2008-1-5] Dentist");
    EXPECT_EQ(ReadFileText(NoticeFile()), "9:05");
}

TEST_F(RemarkDlgTest, OpeningAndClosingLeavesNoGdiObjectBehind) {
    const auto openAndClose = [this] {
        Script script;
        script.WaitEditor().Click(IDC_REMARK_CANCEL);
        script.Run(dialog);
    };
    openAndClose();  // first-use caches of the platform
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 20; ++i) openAndClose();
    EXPECT_EQ(CountGdiObjects(), before);
}

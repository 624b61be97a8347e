// Finding memos in-process under Wine: the find dialog run modally against a
// scratch memo folder, and the finder alone for code pages other than the
// prefix's own (Cyrillic, Greek, the double-byte Japanese one).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/memo/find_memo_dlg.h"
#include "app/memo/memo_finder.h"
#include "app/memo/memo_store.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/test_files.h"

namespace {

HWND Dialog() { return FindThreadDialog("Find Memo"); }
HWND List() { return ::GetDlgItem(Dialog(), IDC_FIND_LIST); }
int Count() { return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ItemText(int item, int column) {
    wchar_t text[256] = {};
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = text;
    request.cchTextMax = 256;
    ::SendMessageW(List(), LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
    return text;
}

// Bytes of `text` in the prefix's own code page, as the program's memos are.
std::string Ansi(const std::wstring& text) {
    char bytes[256] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, sizeof bytes - 1, nullptr, nullptr);
    return bytes;
}

class FindMemoTest : public ::testing::Test {
protected:
    void SetUp() override { Memos().InitMemoPaths(dir_); }
    void Write(const char* name, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(dir_ + "\\Remark\\" + name, bytes));
    }
    const ScratchDir scratch_{"vellumo-find", {"Remark", "Notice"}};
    const std::string dir_ = scratch_.Path();
};

// The finder with a code page of its own: the hits of one query, once every
// memo has been looked at.
std::vector<MemoFinder::Hit> FindAll(unsigned codePage, const std::wstring& query) {
    HWND sink = ::CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::vector<MemoFinder::Hit> hits;
    {
        MemoFinder finder(sink, WM_APP, codePage);
        const unsigned asked = finder.Seek(std::u16string(query.begin(), query.end()));
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000; ::Sleep(5)) {
            MemoFinder::Batch batch = finder.Take();
            if (batch.generation < asked) continue;
            for (MemoFinder::Hit& hit : batch.hits) hits.push_back(std::move(hit));
            if (batch.finished) break;
        }
    }
    ::DestroyWindow(sink);
    return hits;
}

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TEST_F(FindMemoTest, AnyCaseOfTheCodePagesLettersAndMemosSavedWhileOpenShowWithoutRetyping) {
    // Saved while the dialog is open, into a Repeat folder made by the save.
    RepeatMemo yearly;
    yearly.text = Ansi(L"\u00C4rztin, yearly check");
    yearly.first = Date{2020, 5, 1};
    std::string yearlyName;
    Write("Remark_2025-3-4.txt", "[2025-3-4] Call first\r\n" + Ansi(L"Termin bei der \u00C4rztin"));
    Write("Remark_2024-1-2.txt", "[2024-1-2] " + Ansi(L"die \u00E4rztin anrufen"));
    Write("Remark_2023-5-5.txt", "[2023-5-5] Arztin without the umlaut");
    CFindMemoDlg dialog;
    int umlauts = -1, afterSave = -1, afterDelete = -1, afterRepeat = -1, afterRepeatGone = -1;
    std::wstring first, second, saved;
    ModalScript script(20000);
    script.WaitShown(&Dialog)
        .Do([] { ::SetDlgItemTextA(Dialog(), IDC_FIND_WORDS, Ansi(L"\u00E4RZTIN").c_str()); })
        .Then([] { return Count() == 2; })
        .Pause(300)
        .Do([&] {
            umlauts = Count();
            first = ItemText(0, 2);
            second = ItemText(1, 2);
            const std::string memo = "[2026-7-8] " + Ansi(L"\u00C4RZTIN um neun");
            Memos().SaveMemo(Date{2026, 7, 8}, memo.data(), memo.size());
        })
        .Then([] { return Count() == 3; })
        .Pause(300)
        .Do([&] {
            afterSave = Count();
            saved = ItemText(0, 2);
            Memos().DeleteMemo(Date{2024, 1, 2});
        })
        .Then([] { return Count() == 2; })
        .Pause(300)
        .Do([&] {
            afterDelete = Count();
            yearlyName = Memos().SaveRepeat("", yearly);  // last year, this and next
        })
        .Then([] { return Count() == 5; })
        .Pause(300)
        .Do([&] {
            afterRepeat = Count();
            Memos().DeleteRepeat(yearlyName);
        })
        .Then([] { return Count() == 2; })
        .Pause(300)
        .Do([&] { afterRepeatGone = Count(); })
        .Do([] { PostClick(Dialog(), IDCANCEL); });
    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDCANCEL);
    EXPECT_EQ(umlauts, 2);
    EXPECT_EQ(first, L"Termin bei der \u00C4rztin");
    EXPECT_EQ(second, L"die \u00E4rztin anrufen");
    EXPECT_EQ(afterSave, 3);
    EXPECT_EQ(saved, L"\u00C4RZTIN um neun");
    EXPECT_EQ(afterDelete, 2);
    EXPECT_EQ(afterRepeat, 5);
    EXPECT_EQ(afterRepeatGone, 2);
}

TEST_F(FindMemoTest, CyrillicAndGreekByCaseAndTheIdeographicSpaceSeparatesDoubleByteWords) {
    // Code page 1251: "ВСТРЕЧА в Москве" (a meeting in Moscow), found lower-cased.
    Write("Remark_2025-1-1.txt", "[2025-1-1] \xC2\xD1\xD2\xD0\xC5\xD7\xC0 \xE2 \xCC\xEE\xF1\xEA\xE2\xE5");
    auto hits = FindAll(1251, L"\u0432\u0441\u0442\u0440\u0435\u0447\u0430 \u041C\u041E\u0421\u041A\u0412\u0415");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(Wide(hits[0].line),
              L"\u0412\u0421\u0422\u0420\u0415\u0427\u0410 \u0432 \u041C\u043E\u0441\u043A\u0432\u0435");

    // Code page 1253: "ΟΔΟΣ" in capitals is found by "οδος", whose last
    // letter is the final sigma.
    Write("Remark_2025-1-1.txt", "[2025-1-1] \xCF\xC4\xCF\xD3");
    EXPECT_EQ(FindAll(1253, L"\u03BF\u03B4\u03BF\u03C2").size(), 1u);

    // Code page 932: "東京で会議" (a meeting in Tokyo) on the newer date,
    // "cafe" on the older. Words split at the ideographic space; the trail
    // byte "c" of 議 (0x8B 0x63) is no letter c.
    Write("Remark_2025-1-1.txt", "[2025-1-1] \x93\x8C\x8B\x9E\x82\xC5\x89\xEF\x8B\x63");
    Write("Remark_2024-1-1.txt", "[2024-1-1] cafe");
    hits = FindAll(932, L"\u4F1A\u8B70\u3000\u6771\u4EAC");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(Wide(hits[0].line), L"\u6771\u4EAC\u3067\u4F1A\u8B70");
    hits = FindAll(932, L"C");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].date, (Date{2024, 1, 1}));
}

TEST_F(FindMemoTest, ARepeatingMemoIsFoundOnItsDatesFromLastYearToNextAfterTheDatesOwnMemo) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const int year = now.wYear;
    Write(("Remark_" + std::to_string(year) + "-3-12.txt").c_str(),
          "[" + std::to_string(year) + "-3-12] Cake for the birthday");
    RepeatMemo birthday;
    birthday.text = "Anna's birthday";
    birthday.first = Date{1990, 3, 12};
    birthday.skipped = {Date{year + 1, 3, 12}};
    Memos().SaveRepeat("", birthday);
    const std::vector<MemoFinder::Hit> hits = FindAll(CP_ACP, L"BIRTHDAY");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].date, (Date{year, 3, 12}));
    EXPECT_EQ(Wide(hits[0].line), L"Cake for the birthday");
    EXPECT_EQ(hits[1].date, (Date{year, 3, 12}));
    EXPECT_EQ(Wide(hits[1].line), L"Anna's birthday");
    EXPECT_EQ(hits[2].date, (Date{year - 1, 3, 12}));  // not the skipped one, nor 1990
}

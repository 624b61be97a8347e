// Test stand-in that uses the memo store from a process of its own, so a
// test can kill it in the middle of a save or let it hold a file.
//   MemoSaver save <program dir> <event>  saves two large memos for 2008-1-5
//                                          in turn, sets the event after the
//                                          first save, and goes on until killed
//   MemoSaver hold <file> <event> [ms]     opens the file exclusively, sets
//                                          the event and waits to be killed
//                                          (or, given ms, lets go after that)
#include <windows.h>

#include <string>
#include <vector>

#include "app/memo/memo_store.h"
#include "platform/file.h"

namespace {

constexpr std::size_t kFirstSize = 6u << 20;
constexpr std::size_t kSecondSize = 4u << 20;

void Signal(const char* name) {
    KernelHandle event(::OpenEventA(EVENT_MODIFY_STATE, FALSE, name));
    if (event) ::SetEvent(event.Get());
}

int Save(const char* dir, const char* eventName) {
    Memos().InitMemoPaths(dir);
    const std::string path = Memos().MemoPath(Date{2008, 1, 5});
    const std::vector<char> first(kFirstSize, 'A');
    const std::vector<char> second(kSecondSize, 'B');
    for (unsigned round = 0;; ++round) {
        const std::vector<char>& memo = round % 2 == 0 ? first : second;
        try {
            Memos().WriteDayFile(path, memo.data(), memo.size());
        } catch (const CFileException&) {
            return 2;
        }
        if (round == 0) Signal(eventName);
    }
}

int Hold(const char* file, const char* eventName, DWORD ms) {
    CFile held;
    if (!held.Open(file, CFile::modeRead | CFile::shareExclusive)) return 2;
    Signal(eventName);
    ::Sleep(ms);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "save") return Save(argv[2], argv[3]);
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "hold")
        return Hold(argv[2], argv[3], argc == 5 ? std::stoul(argv[4]) : INFINITE);
    return 1;
}

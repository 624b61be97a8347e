// The folder watch against the real file system: one look takes every batch
// of changes the system has ready, and a folder put in place of the watched
// one is told from it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/directory_watch.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
bool Names(const DirectoryWatch::Changes& changes, const std::string& name) {
    return std::find(changes.names.begin(), changes.names.end(), name) != changes.names.end();
}
}  // namespace

TEST(DirectoryWatch, OneLookTakesEveryBatchAndTellsAFolderPutInPlace) {
    ScratchDir dir("vellumo-watch");
    DirectoryWatch watch;
    ASSERT_TRUE(watch.Start(dir.Path()));
    ASSERT_TRUE(WriteFileBytes(dir.File("first.txt"), "1"));
    ASSERT_TRUE(PumpUntil([&] { return Names(watch.Take(), "first.txt"); }));
    // The read armed again ends with the second file's batch; the third
    // waits in the system for the next read.
    ASSERT_TRUE(WriteFileBytes(dir.File("second.txt"), "2"));
    ::Sleep(300);
    ASSERT_TRUE(WriteFileBytes(dir.File("third.txt"), "3"));
    ::Sleep(300);
    const DirectoryWatch::Changes both = watch.Take();
    EXPECT_TRUE(Names(both, "second.txt"));
    EXPECT_TRUE(Names(both, "third.txt")) << "the second batch waited for the next look";

    EXPECT_TRUE(watch.SameFolder());
    const std::string away = dir.Path() + ".away";
    ASSERT_TRUE(::MoveFileA(dir.Path().c_str(), away.c_str()));
    EXPECT_FALSE(watch.SameFolder()) << "none in its place";
    ASSERT_TRUE(::CreateDirectoryA(dir.Path().c_str(), nullptr));
    EXPECT_FALSE(watch.SameFolder()) << "another in its place";
    watch.Stop();
    for (const char* name : {"first.txt", "second.txt", "third.txt"})
        ::DeleteFileA((away + "\\" + name).c_str());
    ::RemoveDirectoryA(away.c_str());
}

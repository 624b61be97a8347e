// Files and folders for the tests: where the test program lives, whole-file
// reads and writes, and scratch folders that clean up after themselves.
#pragma once

#include <string>
#include <vector>

// Folder of the running test program (…\tests), and the folder above a path.
std::string TestProgramDir();
std::string ParentDir(const std::string& path);
// A folder of the build as the Wine process sees it (drive Z: is the root).
std::string WinePathOf(const std::string& unixPath);
// tests\support\<name> beside the test program (the stand-ins' folders).
std::string SupportDir(const std::string& name);

// The whole file as bytes ("" when it cannot be read).
std::string ReadFileText(const std::string& path);
// Writes `bytes` as the whole file; false when it could not.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Names in a folder (files and folders, without "." and ".."), sorted.
std::vector<std::string> FolderEntries(const std::string& dir);
// Removes a folder with everything in it (read-only entries too).
void RemoveDirectoryTree(const std::string& dir);

// The temp folder, ending in a backslash.
std::string TempFolder();
// An empty folder of its own under the temp folder (made afresh, its files
// removed); it stays after the test, for folders shared by a whole suite.
std::string FreshTempDir(const std::string& name);

// A new folder under the temp folder, named `prefix`-<process>-<n>, with the
// given subfolders; removed with everything in it when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix, const std::vector<std::string>& subfolders = {});
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

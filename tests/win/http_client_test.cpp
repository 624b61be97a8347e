// The HTTP client against the local test servers: conditional requests,
// redirections, the answer limit, time limits and the certificate check;
// and WinHTTP loaded when needed, never imported by the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "platform/system_library.h"
#include "tests/support/calendar_server.h"
#include "tests/support/test_files.h"

namespace {

HttpResult Get(const std::string& url, const HttpHeaders& headers = {}, int timeoutMs = 30000) {
    HttpRequest request;
    request.url = url;
    request.headers = headers;
    request.stepTimeoutMs = timeoutMs;
    return HttpSend(request);
}

// The names of the DLLs a program file imports, in lower case; empty when
// the file is not a program file this reader knows.
std::vector<std::string> ImportedDlls(const std::string& image) {
    std::vector<std::string> names;
    auto at = [&](std::size_t offset, std::size_t size) -> const char* {
        return offset <= image.size() && size <= image.size() - offset ? image.data() + offset
                                                                         : nullptr;
    };
    IMAGE_DOS_HEADER dos{};
    if (!at(0, sizeof dos)) return names;
    std::memcpy(&dos, image.data(), sizeof dos);
    IMAGE_NT_HEADERS nt{};
    const char* ntAt = at(static_cast<std::size_t>(dos.e_lfanew), sizeof nt);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || ntAt == nullptr) return names;
    std::memcpy(&nt, ntAt, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE) return names;
    const std::size_t sectionsAt = static_cast<std::size_t>(dos.e_lfanew) +
                                   offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                                   nt.FileHeader.SizeOfOptionalHeader;
    // A virtual address as an offset into the file, through its section.
    auto fileOffset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            const char* sectionAt = at(sectionsAt + i * sizeof section, sizeof section);
            if (sectionAt == nullptr) break;
            std::memcpy(&section, sectionAt, sizeof section);
            if (rva >= section.VirtualAddress &&
                rva - section.VirtualAddress < section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return image.size();
    };
    const IMAGE_DATA_DIRECTORY& imports =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::size_t next = fileOffset(imports.VirtualAddress);
    for (;; next += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry{};
        const char* entryAt = at(next, sizeof entry);
        if (entryAt == nullptr) break;
        std::memcpy(&entry, entryAt, sizeof entry);
        if (entry.Name == 0) break;
        const std::size_t nameAt = fileOffset(entry.Name);
        std::string name;
        for (const char* c = at(nameAt, 1); c != nullptr && *c != '\0';
             c = at(nameAt + name.size(), 1))
            name += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c + 32 : *c);
        names.push_back(name);
    }
    return names;
}

}  // namespace

// Most starts fetch nothing, open no file dialog and never ask the Task
// Scheduler: the program must not pay at every start for loading WinHTTP,
// the security support, the common dialogs, or COM and its automation
// strings (and all they load). The shell and the image blending library it
// loads itself too, from the system folder.
TEST(HttpClient, TheProgramImportsNeitherWinHttpNorTheSecuritySupport) {
    const std::string program = ParentDir(TestProgramDir()) + "\\bin\\Vellumo.exe";
    const std::vector<std::string> dlls = ImportedDlls(ReadFileText(program));
    ASSERT_NE(std::find(dlls.begin(), dlls.end(), "kernel32.dll"), dlls.end()) << program;
    for (const char* loadedWhenNeeded : {"winhttp.dll", "secur32.dll", "comdlg32.dll", "ole32.dll",
                                         "oleaut32.dll", "shell32.dll", "msimg32.dll"})
        EXPECT_EQ(std::find(dlls.begin(), dlls.end(), loadedWhenNeeded), dlls.end())
            << loadedWhenNeeded;
}

TEST(HttpClient, SystemLibrariesComeFromTheSystemFolderAndAMissingOneIsRefused) {
    const HMODULE winhttp = LoadSystemLibrary("winhttp.dll");
    ASSERT_NE(winhttp, nullptr);
    char path[MAX_PATH] = {}, system[MAX_PATH] = {};
    ::GetModuleFileNameA(winhttp, path, MAX_PATH);
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(length),
                               system, static_cast<int>(length)),
              CSTR_EQUAL)
        << path;
    decltype(&::GetTickCount) found = &::GetTickCount;
    EXPECT_FALSE(BindExport(winhttp, "WinHttpNoSuchFunction", found));
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(BindExport(nullptr, "WinHttpOpen", found));
    EXPECT_EQ(LoadSystemLibrary("vellumo-no-such-library.dll"), nullptr);
    EXPECT_TRUE(BindExport(LoadSystemLibrary("kernel32.dll"), "GetTickCount", found));
    EXPECT_NE(found, nullptr);
}

TEST(HttpClient, AConditionalRequestForAnUnchangedFileGets304) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    server.Put("client.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const HttpResult first = Get(server.HttpUrl("/client.ics"));
    ASSERT_EQ(first.error, "");
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const std::string etag = first.Header("etag");
    const std::string modified = first.Header("Last-Modified");
    ASSERT_FALSE(etag.empty());
    ASSERT_FALSE(modified.empty());

    const HttpResult same = Get(server.HttpUrl("/client.ics"), {{"If-None-Match", etag}});
    EXPECT_EQ(same.error, "");
    EXPECT_EQ(same.status, 304);
    EXPECT_EQ(same.body, "");
    EXPECT_EQ(Get(server.HttpUrl("/client.ics"), {{"If-Modified-Since", modified}}).status, 304);

    server.Put("client.ics", "BEGIN:VCALENDAR\r\nX-WR-CALNAME:New\r\nEND:VCALENDAR\r\n");
    const HttpResult changed = Get(server.HttpUrl("/client.ics"), {{"If-None-Match", etag}});
    EXPECT_EQ(changed.status, 200);
    EXPECT_NE(changed.Header("ETag"), etag);
    EXPECT_EQ(Get(server.HttpUrl("/missing.ics")).status, 404);
}

TEST(HttpClient, RedirectionsAreFollowedAndALoopIsRefused) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    server.Put("holidays.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    const HttpResult hops = Get(server.HttpUrl("/hop/3"));
    EXPECT_EQ(hops.error, "");
    EXPECT_EQ(hops.status, 200);
    EXPECT_EQ(hops.finalUrl, server.HttpUrl("/holidays.ics"));
    const HttpResult loop = Get(server.HttpUrl("/loop"));
    EXPECT_EQ(loop.error, "The server redirected too often (a redirection loop).");
}

TEST(HttpClient, OversizedSilentGoneAndUntrustedServersGiveClearMessages) {
    CalendarServer server;
    if (!server.Ready()) GTEST_SKIP() << "the test web servers were not started";
    EXPECT_EQ(Get(server.HttpUrl("/big")).error, "The answer is larger than the limit of 20 MB.");
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(Get(server.HttpUrl("/silent"), {}, 1500).error, "The server did not answer in time.");
    EXPECT_LT(::GetTickCount() - start, 10000u);
    const HttpResult untrusted = Get(server.HttpsUrl("/holidays.ics"));
    EXPECT_EQ(untrusted.status, 0);
    EXPECT_EQ(untrusted.error.rfind("The server's certificate was refused: ", 0), 0u)
        << untrusted.error;
    server.StopPlain();
    const HttpResult gone = Get(server.HttpUrl("/holidays.ics"));
    server.StartPlain();
    EXPECT_EQ(gone.error, "Could not connect to the server.");
    EXPECT_EQ(Get("ftp://127.0.0.1/x.ics").error, "The address is not a web address.");
}

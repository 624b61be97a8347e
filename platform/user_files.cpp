#include "platform/user_files.h"

#include <algorithm>

#include "platform/handles.h"

namespace {

constexpr DWORD kValueLimit = 64 * 1024;

std::string ReadValue(HKEY key, const char* name, DWORD wanted) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != wanted || size == 0 || size > kValueLimit)
        return std::string();
    std::string bytes(size, '\0');
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
        ERROR_SUCCESS)
        return std::string();
    bytes.resize(std::min<std::size_t>(size, bytes.size()));
    return bytes;
}

}  // namespace

std::string UserDataFolder(const std::string& sub) {
    char appData[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string folder = std::string(appData, n) + "\\Vellumo\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    if (!sub.empty()) {
        folder += sub + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || static_cast<unsigned long long>(size.QuadPart) > limit)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return std::nullopt;
    return bytes;
}

bool ReplaceFileWith(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".new";
    {
        FileHandle file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return false;
        DWORD written = 0;
        const bool whole =
            bytes.empty() || (::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                          &written, nullptr) &&
                              written == bytes.size());
        if (!whole || !::FlushFileBuffers(file.Get())) {
            file.Reset();
            ::DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temp.c_str());
    return false;
}

std::string ReadRegText(HKEY key, const char* name) {
    const std::string text = ReadValue(key, name, REG_SZ);
    return text.substr(0, text.find('\0'));
}

bool WriteRegText(HKEY key, const char* name, const std::string& text) {
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string ReadRegBytes(HKEY key, const char* name) { return ReadValue(key, name, REG_BINARY); }

bool WriteRegBytes(HKEY key, const char* name, const std::string& bytes) {
    return ::RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

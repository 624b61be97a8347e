#include "platform/protected_data.h"

#include <windows.h>

#include <wincrypt.h>

#include <mutex>

namespace {

using ProtectFn = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*,
                                DWORD, DATA_BLOB*);
using UnprotectFn = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*,
                                  DWORD, DATA_BLOB*);

struct Crypt32 {
    ProtectFn protect = nullptr;
    UnprotectFn unprotect = nullptr;
};

const Crypt32& Functions() {
    static Crypt32 functions;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        char system[MAX_PATH];
        const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
        if (n == 0 || n >= MAX_PATH - 16) return;
        // Kept loaded for the rest of the process.
        HMODULE dll = ::LoadLibraryA((std::string(system, n) + "\\crypt32.dll").c_str());
        if (dll == nullptr) return;
        functions.protect = reinterpret_cast<ProtectFn>(
            reinterpret_cast<void*>(::GetProcAddress(dll, "CryptProtectData")));
        functions.unprotect = reinterpret_cast<UnprotectFn>(
            reinterpret_cast<void*>(::GetProcAddress(dll, "CryptUnprotectData")));
    });
    return functions;
}

// The blob the system handed back, released with it.
std::string TakeBlob(DATA_BLOB& out) {
    std::string bytes(reinterpret_cast<const char*>(out.pbData), out.cbData);
    ::SecureZeroMemory(out.pbData, out.cbData);
    ::LocalFree(out.pbData);
    return bytes;
}

}  // namespace

std::optional<std::string> ProtectForUser(const std::string& secret) {
    const Crypt32& f = Functions();
    if (f.protect == nullptr) return std::nullopt;
    DATA_BLOB in{static_cast<DWORD>(secret.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(secret.data()))};
    DATA_BLOB out{};
    if (!f.protect(&in, L"Vellumo", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return std::nullopt;
    return TakeBlob(out);
}

std::optional<std::string> UnprotectForUser(const std::string& sealed) {
    const Crypt32& f = Functions();
    if (f.unprotect == nullptr || sealed.empty()) return std::nullopt;
    DATA_BLOB in{static_cast<DWORD>(sealed.size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(sealed.data()))};
    DATA_BLOB out{};
    if (!f.unprotect(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return std::nullopt;
    return TakeBlob(out);
}

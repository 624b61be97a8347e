#include "platform/protected_data.h"

#include <windows.h>

#include <wincrypt.h>

#include <mutex>

#include "platform/system_library.h"

namespace {

// Declared by <wincrypt.h>; called through pointers, never imported.
struct Crypt32 {
    decltype(&::CryptProtectData) protect = nullptr;
    decltype(&::CryptUnprotectData) unprotect = nullptr;
};

const Crypt32& Functions() {
    static Crypt32 functions;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        HMODULE dll = LoadSystemLibrary("crypt32.dll");
        if (!BindExport(dll, "CryptProtectData", functions.protect) ||
            !BindExport(dll, "CryptUnprotectData", functions.unprotect))
            functions = Crypt32{};
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

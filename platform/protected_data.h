// Secrets kept for the Windows user who owns them: the system's data
// protection (CryptProtectData) seals the bytes so that only that user, on
// this machine, opens them again. crypt32.dll is loaded on first use: most
// runs never need it.
#pragma once

#include <optional>
#include <string>

// The sealed bytes; none when the system would not seal them.
std::optional<std::string> ProtectForUser(const std::string& secret);
// The secret again; none for bytes another user sealed, or damaged ones.
std::optional<std::string> UnprotectForUser(const std::string& sealed);

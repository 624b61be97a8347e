// What the program keeps per Windows user outside the registry: files in
// the user's application data folder (%APPDATA%\Vellumo), each replaced in
// one step so that a crash leaves the old one whole, and the registry
// values beside them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// "<APPDATA>\Vellumo\<sub>\" (sub may be empty), created when missing;
// "" when the user has no application data folder.
std::string UserDataFolder(const std::string& sub);
// The file's bytes; none when it is missing, unreadable or over `limit`.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit);
// Writes a new file beside it, flushes it and moves it over the old one;
// false (the old one left as it was) when that could not be done.
bool ReplaceFileWith(const std::string& path, const std::string& bytes);

// A value of the key as text ("" when missing, not text or over 64 KB).
std::string ReadRegText(HKEY key, const char* name);
bool WriteRegText(HKEY key, const char* name, const std::string& text);
// A binary value's bytes ("" when missing or not binary).
std::string ReadRegBytes(HKEY key, const char* name);
bool WriteRegBytes(HKEY key, const char* name, const std::string& bytes);

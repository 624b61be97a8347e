// The history cleaner's reading of registry value names and cache URLs,
// against regular expressions of the same rules: only list entries are
// removed, settings in the same key stay.
#include <strings.h>

#include <cstring>
#include <regex>

#include "core/tools/clean_rules.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool Matches(const std::string& name, const std::regex& pattern) {
    return std::regex_match(name, pattern);
}

std::regex NoCase(const char* pattern) { return std::regex(pattern, std::regex::icase); }

bool StartsNoCase(const std::string& s, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64) return -1;
    FuzzInput in(data, size);
    const std::uint32_t type = in.U32();
    const std::string name = in.Rest();
    // strncasecmp stops at a zero byte; the rules do not, so only compare names without one.
    const bool plain = name.find('\0') == std::string::npos;

    static const std::regex kUrl = NoCase("url[0-9]+"), kItem = NoCase("item (metadata )?[0-9]+"),
                            kFile = NoCase("file[0-9]+"), kMru = NoCase("mru(flags)?[0-9]+"),
                            kValue = NoCase("value");
    using scourwell::ListKind;
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kTypedUrls, name) == Matches(name, kUrl));
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kFormEntries, name));
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kOfficeItems, name) ==
               Matches(name, kItem));
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kOfficeFiles, name) == Matches(name, kFile));
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kAccessMru, name) ==
               Matches(name, kMru));
    FUZZ_CHECK(scourwell::IsListEntry(ListKind::kOpenFind, name) == Matches(name, kValue));

    const scourwell::CacheKind kind = scourwell::ClassifyCacheEntry(name, type);
    if (plain) {
        const bool history = StartsNoCase(name, "visited:") || (type & scourwell::kHistoryEntryBit);
        const bool cookie = StartsNoCase(name, "cookie:") || (type & scourwell::kCookieEntryBit);
        FUZZ_CHECK(kind == (history  ? scourwell::CacheKind::kHistory
                            : cookie ? scourwell::CacheKind::kCookie
                                     : scourwell::CacheKind::kContent));
        const std::string prefix = name.substr(0, type % (name.size() + 1));
        FUZZ_CHECK(scourwell::StartsWithNoCase(name, prefix));
        FUZZ_CHECK(scourwell::StartsWithNoCase(prefix, name) == (prefix.size() == name.size()));
    }
    return 0;
}

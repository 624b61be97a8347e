// The command-line switches against strncasecmp: a prefix test of the
// switch's whole length, blind to ASCII case only.
#include <strings.h>

#include <cstring>

#include "core/app/command_line.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
bool Reference(const char* line, const char* sw) {
    const std::size_t n = std::strlen(sw);
    return std::strlen(line) >= n && strncasecmp(line, sw, n) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string sw = in.ShortString();
    const std::string line = in.Rest();
    // c_str(): both end at their first zero byte, as the program receives them.
    FUZZ_CHECK(HasSwitchPrefix(line.c_str(), sw.c_str()) == Reference(line.c_str(), sw.c_str()));
    FUZZ_CHECK(!HasSwitchPrefix(nullptr, sw.c_str()) && !HasSwitchPrefix(line.c_str(), nullptr));

    const bool background = Reference(line.c_str(), "/background");
    const bool now = Reference(line.c_str(), "/now");
    const StartMode mode = FirstCopyStartMode(line.c_str());
    FUZZ_CHECK(mode == (background ? StartMode::Background
                                   : now ? StartMode::BackupNow : StartMode::Shown));
    FUZZ_CHECK(SecondCopyWantsBackup(line.c_str()) == now);
    return 0;
}

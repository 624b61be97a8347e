// The settings values as read from the registry: the clean-option text reads
// strictly and round-trips through its 32-character form, and the stored
// Days and TimeFormat always come back in range.
#include "core/settings/settings_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 256) return -1;
    FuzzInput in(data, size);
    const CleanOptionBits stored(static_cast<unsigned long>(in.U32()));
    const int number = in.Int();
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Bits -> text -> bits.
    const std::string written = CleanOptionText(stored);
    FUZZ_CHECK(written.size() == 32 && written.find_first_not_of("01") == std::string::npos);
    FUZZ_CHECK(ParseCleanOptionText(written) == stored);

    // Text -> bits: only the first 32 characters count, and only '0'/'1' are valid.
    const std::string counted = text.substr(0, 32);
    const std::optional<CleanOptionBits> read = ParseCleanOptionText(text);
    FUZZ_CHECK(read.has_value() == (counted.find_first_not_of("01") == std::string::npos));
    if (read) {
        // Written back, it is the counted text with zeros in front.
        FUZZ_CHECK(CleanOptionText(*read) == std::string(32 - counted.size(), '0') + counted);
        FUZZ_CHECK(CleanOptionFromText(text) == *read);
    } else {
        FUZZ_CHECK(CleanOptionFromText(text).all());
    }

    const int days = DaysFromStored(number);
    FUZZ_CHECK(days >= 1 && days <= 7 && (days == number || days == 1));
    const int toStore = DaysToStore(number);
    FUZZ_CHECK(toStore >= 1 && toStore <= 7 && DaysFromStored(toStore) == toStore);
    FUZZ_CHECK(HourFormatFromStored(number) == (number == 12 ? 12 : 24));
    return 0;
}

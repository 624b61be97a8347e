#include "core/settings/settings_rules.h"

std::string CleanOptionText(const CleanOptionBits& bits) { return bits.to_string(); }

std::optional<CleanOptionBits> ParseCleanOptionText(const std::string& text) {
    CleanOptionBits bits;
    const std::size_t n = text.size() < bits.size() ? text.size() : bits.size();
    for (std::size_t j = 0; j < n; ++j) {
        const char c = text[n - 1 - j];
        if (c == '1')
            bits.set(j);
        else if (c != '0')
            return std::nullopt;
    }
    return bits;
}

CleanOptionBits CleanOptionFromText(const std::string& text) {
    return ParseCleanOptionText(text).value_or(CleanOptionBits(kAllCleanOptions));
}

int DaysFromStored(int stored) { return (stored < 1 || stored > 7) ? 1 : stored; }

int DaysToStore(int days) { return days <= 0 ? 1 : (days > 7 ? 7 : days); }

int HourFormatFromStored(int stored) { return stored == 12 ? 12 : 24; }

std::string AutoRunData(const std::string& exePath) {
    return "\"" + exePath + "\" /background";
}

bool IsOldWindows(unsigned major, unsigned minor) {
    return major < 5 || (major == 5 && minor == 0);
}

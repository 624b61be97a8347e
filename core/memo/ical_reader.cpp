#include "core/memo/ical_reader.h"

namespace {

// VCALENDAR > VTIMEZONE > DAYLIGHT is three deep; the limit leaves room for
// extensions and keeps nesting (and the recursion that frees it) small.
constexpr std::size_t kMaxDepth = 8;

std::string AtLine(int line, const std::string& what) {
    return "The iCalendar file is broken at line " + std::to_string(line) + ": " + what;
}

bool IsName(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

bool IsPadding(char c) {
    return c == '\0' || c == '\x1A' || c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

IcalDocument Fail(std::string message) {
    IcalDocument document;
    document.error = std::move(message);
    return document;
}

}  // namespace

const IcalProperty* IcalComponent::Find(const char* upperName) const {
    for (const IcalProperty& p : properties)
        if (p.name == upperName) return &p;
    return nullptr;
}

IcalDocument ReadIcalendar(const std::string& bytes) {
    static const char kNotIcalendar[] =
        "The file is not an iCalendar file: it does not begin with BEGIN:VCALENDAR.";
    const std::size_t begin = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    // Padding after the last line is no text after the calendar: a Ctrl-Z end
    // of file, zero bytes, blank lines, as copies and older programs leave.
    std::size_t end = bytes.size();
    while (end > begin && IsPadding(bytes[end - 1])) --end;
    const std::vector<UnfoldedLine> lines = UnfoldLines(bytes.substr(begin, end - begin));

    IcalDocument document;
    std::vector<IcalComponent> open;  // the components begun and not yet ended
    for (const UnfoldedLine& line : lines) {
        IcalProperty property;
        const bool parsed = ParseContentLine(line.text, property);
        if (open.empty() &&
            (!parsed || property.name != "BEGIN" || UpperAscii(property.value) != "VCALENDAR"))
            return Fail(document.calendars.empty()
                            ? kNotIcalendar
                            : AtLine(line.number, "text after the calendar."));
        if (!IsUtf8(line.text)) return Fail(AtLine(line.number, "the text is not UTF-8."));
        if (!parsed)
            return Fail(
                AtLine(line.number, "it is not a property line (name, parameters, \":\", value)."));
        property.line = line.number;
        if (property.name == "BEGIN") {
            const std::string name = UpperAscii(property.value);
            if (!IsName(name)) return Fail(AtLine(line.number, "BEGIN names no component."));
            if (open.size() >= kMaxDepth)
                return Fail(AtLine(line.number, "components are nested too deep."));
            IcalComponent component;
            component.name = name;
            component.line = line.number;
            open.push_back(std::move(component));
        } else if (property.name == "END") {
            const std::string name = UpperAscii(property.value);
            if (name != open.back().name)
                return Fail(AtLine(line.number, "END:" + property.value + " does not close " +
                                                    open.back().name + " (begun at line " +
                                                    std::to_string(open.back().line) + ")."));
            IcalComponent done = std::move(open.back());
            open.pop_back();
            if (open.empty()) {
                const IcalProperty* version = done.Find("VERSION");
                if (version != nullptr && version->value == "1.0")
                    return Fail(
                        "The file is a vCalendar 1.0 file, the older format before "
                        "iCalendar, which this import does not read.");
                document.calendars.push_back(std::move(done));
            } else {
                open.back().children.push_back(std::move(done));
            }
        } else {
            open.back().properties.push_back(std::move(property));
        }
    }
    if (!open.empty())
        return Fail("The iCalendar file ends inside " + open.back().name + " (begun at line " +
                    std::to_string(open.back().line) + "): it is incomplete.");
    if (document.calendars.empty()) return Fail(kNotIcalendar);
    return document;
}

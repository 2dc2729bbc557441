#include "cli/section_list.h"

namespace trelk {

std::optional<SectionSelection> parseSectionList(const std::string& list, std::string& error) {
    SectionSelection selection = SectionSelection::none();
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (name == "all")
            selection = SectionSelection::all();
        else if (name != "none") {
            bool known = false;
            for (const ReportSection& s : kReportSections)
                if (name == s.cliWord) {
                    selection.*s.flag = true;
                    known = true;
                }
            if (!known) {
                error = "unknown section '" + name + "' (use ";
                for (const ReportSection& s : kReportSections) (error += s.cliWord) += ", ";
                error += "all or none)";
                return std::nullopt;
            }
        }
        if (comma == std::string::npos) return selection;
        start = comma + 1;
    }
}

namespace {
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}
}  // namespace

std::optional<ColumnLayout> parseColumnList(const std::string& list) {
    int numbers[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = list.find(',', start);
        if ((comma == std::string::npos) != (i == 2)) return std::nullopt;
        const std::string_view text =
            std::string_view(list).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        numbers[i] = readFieldNumber(text);
        // The type alone may be 0: a table without a type column.
        const bool noType = i == 1 && trimmed(text) == "0";
        if (numbers[i] == 0 && !noType) return std::nullopt;
        start = comma + 1;
    }
    return ColumnLayout::fields(numbers[0], numbers[1], numbers[2]);
}

}  // namespace trelk

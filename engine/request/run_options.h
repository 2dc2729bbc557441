// What a run is asked to do besides reading its file: the parser keywords, the column layout of
// the item lines and the report sections. Settings, windows and the console front end fill these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace trelk {

// The four parser keywords; the members carry the names of their settings keys.
struct KeywordSet {
    std::string contains = "contains:";
    std::string SubAssembly = "Sub-Assembly";
    std::string Part = "Part";
    std::string SummaryOfParts = "Summary of parts for assembly";
};

// Which fields of an item line hold the quantity, the type and the name: 1, 2, ... from the start,
// -1, -2, ... from the end, as fieldOfRawLine (engine/reading/line_classifier.h) counts them. The
// members carry the names of their settings keys. The CAD system's own layout is the default;
// companies lay their exports out otherwise, often as tables.
struct ColumnLayout {
    int Quantity = 1;
    // 0: no type column. A member is then a sub-assembly when the file has a block for its name.
    int Type = 2;
    int Name = -1;
    // The byte between the cells of a table, such as '|'; 0 when the fields are cut at blanks.
    // The cells are counted as the fields are, and taken without the blanks around them.
    char Separator = 0;
    // The block header as the export writes it, with "%$name" where the assembly's name stands
    // ("Assembly *** %$name ***"); empty for the CAD system's own header, a line that ends with the
    // `contains` keyword.
    std::string Header;

    // Fields cut at blanks, with the CAD system's own header.
    static ColumnLayout fields(int quantity, int type, int name) {
        ColumnLayout layout;
        layout.Quantity = quantity;
        layout.Type = type;
        layout.Name = name;
        return layout;
    }
    bool isDefault() const { return Quantity == 1 && Type == 2 && Name == -1 && Separator == 0 && Header.empty(); }
    // A table's rules for its blocks apply: see BomStructure.
    bool tableRules() const { return Type == 0 || Separator != 0 || !Header.empty(); }
    bool operator==(const ColumnLayout& o) const {
        return Quantity == o.Quantity && Type == o.Type && Name == o.Name && Separator == o.Separator &&
               Header == o.Header;
    }
};

// Where "%$name" stands in a header pattern.
inline constexpr std::string_view kNamePlaceholder = "%$name";

// A field number as a text holds it: an optional sign and digits, blanks around them allowed, not
// 0 and within the int range; anything else gives 0.
int readFieldNumber(std::string_view text);

// A table's separator as a text names it: one character other than a blank, or "tab" (also "\t")
// for the tab; anything else gives 0, the fields cut at blanks.
char readSeparator(std::string_view text);

// One flag per report section, in report order; the members carry the names of their settings keys.
struct SectionSelection {
    bool Include_BOMAssyBreakdown = false;
    bool Include_SummaryOfAssys = true;
    bool Include_SummaryOfParts = true;
    bool Include_AssyInAssys = true;
    bool Include_PartsInAssys = true;

    static SectionSelection all() { return {true, true, true, true, true}; }
    static SectionSelection none() { return {false, false, false, false, false}; }
    bool operator==(const SectionSelection& o) const {
        return Include_BOMAssyBreakdown == o.Include_BOMAssyBreakdown &&
               Include_SummaryOfAssys == o.Include_SummaryOfAssys &&
               Include_SummaryOfParts == o.Include_SummaryOfParts && Include_AssyInAssys == o.Include_AssyInAssys &&
               Include_PartsInAssys == o.Include_PartsInAssys;
    }
};

enum class Section : uint8_t { Breakdown, Assemblies, Parts, AssembliesWhereUsed, PartsWhereUsed };

// A report section and every name it goes by: in the settings, on the command line, as a CSV file
// and a key of the JSON document (where the breakdown is the multi-level tree), and as the title
// of its report section, which the main assembly's name follows.
struct ReportSection {
    Section section;
    bool SectionSelection::*flag;
    std::string_view iniKey;
    std::string_view cliWord;
    std::string_view csvFile;
    std::string_view jsonKey;
    std::string_view reportTitle;  // empty for the breakdown, a copy of the file
    std::string_view label;        // its name in a list of the sections (the HTML page's)
    // The section of a comparison that shows this one's changes: its title, which the main
    // assembly's name follows, and its name in the page's list. Empty for the breakdown, which a
    // comparison does not show.
    std::string_view changesTitle;
    std::string_view changesLabel;
};

// The five sections in report order.
inline constexpr ReportSection kReportSections[] = {
    {Section::Breakdown, &SectionSelection::Include_BOMAssyBreakdown, "Include_BOMAssyBreakdown", "breakdown",
     "tree.csv", "tree", "", "Multi-level BOM", "", ""},
    {Section::Assemblies, &SectionSelection::Include_SummaryOfAssys, "Include_SummaryOfAssys", "assemblies",
     "assemblies.csv", "assemblies", "Summary of assemblies for assembly ", "Summary of assemblies",
     "Changes in the summary of assemblies for assembly ", "Totals of assemblies"},
    {Section::Parts, &SectionSelection::Include_SummaryOfParts, "Include_SummaryOfParts", "parts", "parts.csv", "parts",
     "Summary of parts for assembly ", "Summary of parts", "Changes in the summary of parts for assembly ",
     "Totals of parts"},
    {Section::AssembliesWhereUsed, &SectionSelection::Include_AssyInAssys, "Include_AssyInAssys",
     "assemblies-where-used", "assemblies-where-used.csv", "assembliesWhereUsed", "Assemblies in assembly ",
     "Where assemblies are used", "Changes in the assemblies in assembly ", "Where assemblies are used"},
    {Section::PartsWhereUsed, &SectionSelection::Include_PartsInAssys, "Include_PartsInAssys", "parts-where-used",
     "parts-where-used.csv", "partsWhereUsed", "Parts in assembly ", "Where parts are used",
     "Changes in the parts in assembly ", "Where parts are used"},
};

static_assert(
    [] {
        for (size_t i = 0; i < std::size(kReportSections); ++i)
            if (static_cast<size_t>(kReportSections[i].section) != i) return false;
        return true;
    }(),
    "kReportSections is indexed by Section");

inline const ReportSection& reportSection(Section section) { return kReportSections[static_cast<size_t>(section)]; }
inline bool isChosen(const SectionSelection& selection, Section section) {
    return selection.*reportSection(section).flag;
}

// The sections as the CSV files and the JSON document hold them: the four tables in report order,
// then the tree, by far the longest.
inline constexpr Section kExportOrder[] = {Section::Assemblies, Section::Parts, Section::AssembliesWhereUsed,
                                           Section::PartsWhereUsed, Section::Breakdown};

}  // namespace trelk

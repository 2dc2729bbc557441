// What a run is asked to do besides reading its file: the parser keywords, the column layout of
// the item lines and the report sections. Settings, windows and the console front end fill these.
#pragma once

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
// -1, -2, ... from the end, as fieldOfRawLine (engine/line_classifier.h) counts them. The members
// carry the names of their settings keys. The CAD system's own layout is the default; companies
// lay their exports out otherwise.
struct ColumnLayout {
    int Quantity = 1;
    int Type = 2;
    int Name = -1;

    bool isDefault() const { return Quantity == 1 && Type == 2 && Name == -1; }
    bool operator==(const ColumnLayout& o) const { return Quantity == o.Quantity && Type == o.Type && Name == o.Name; }
};

// A field number as a text holds it: an optional sign and digits, blanks around them allowed, not
// 0 and within the int range; anything else gives 0.
int readFieldNumber(std::string_view text);

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

}  // namespace trelk

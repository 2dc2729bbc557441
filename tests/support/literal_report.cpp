#include "support/literal_report.h"

#include "engine/files/file_system.h"

namespace trelk::literal {

namespace {

const std::string kSeparator(86, '-');

void line(std::string& out, std::string_view text) { out.append(text).append("\r\n"); }

void summary(std::string& out, const std::string& title, const Totals& table) {
    line(out, kSeparator);
    line(out, title);
    for (size_t row = 0; row < table.names.size(); ++row)
        line(out, formatCount(table.totals[row].value()) + "   " + table.names[row]);
    line(out, kSeparator);
    line(out, "");
    line(out, "");
}

void whereUsed(std::string& out, const std::string& title, const WhereUsed& table) {
    line(out, kSeparator);
    line(out, title);
    for (size_t row = 0; row < table.names.size(); ++row) {
        line(out, table.names[row]);
        const std::string& text = table.entries[row];
        size_t start = 0;
        for (size_t cut; (cut = text.find(';', start)) != std::string::npos; start = cut + 1)
            line(out, std::string_view(text).substr(start, cut - start));
        line(out, "");
    }
    line(out, kSeparator);
}

}  // namespace

std::string report(const Analysis& analysis, const SectionSelection& sections, const std::string& bomFileName,
                   const KeywordSet& keywords) {
    BomLineTable table;
    std::string bytes;
    if (sections.Include_BOMAssyBreakdown && isListedFile(bomFileName) && readWholeFile(bomFileName, bytes) == kNoError)
        table = lineTable(bytes);
    return report(analysis, sections, table, keywords);
}

std::string report(const Analysis& analysis, const SectionSelection& sections, const BomLineTable& table,
                   const KeywordSet& keywords) {
    std::string out;
    const std::string& main = analysis.mainAssemblyName;
    if (sections.Include_BOMAssyBreakdown) {
        line(out, kSeparator);
        for (size_t i = 1; i <= table.count(); ++i) {
            if (table.line(i).find(keywords.SummaryOfParts) != std::string_view::npos) break;
            line(out, table.line(i));
        }
        line(out, kSeparator);
        line(out, "");
        line(out, "");
    }
    if (sections.Include_SummaryOfAssys)
        summary(out, "Summary of assemblies for assembly " + main, analysis.assemblyTotals);
    if (sections.Include_SummaryOfParts) summary(out, "Summary of parts for assembly " + main, analysis.partTotals);
    if (sections.Include_AssyInAssys) {
        whereUsed(out, "Assemblies in assembly " + main, analysis.assemblyWhereUsed);
        line(out, "");
        line(out, "");
    }
    if (sections.Include_PartsInAssys) whereUsed(out, "Parts in assembly " + main, analysis.partWhereUsed);
    return out;
}

}  // namespace trelk::literal

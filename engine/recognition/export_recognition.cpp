#include "engine/recognition/export_recognition.h"

#include <utility>
#include <vector>

#include "engine/recognition/candidates.h"
#include "engine/recognition/choice.h"

namespace trelk {

namespace {

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::optional<RecognisedExport> recogniseExport(std::string_view bytes, const KeywordSet& inUse,
                                                const ColumnLayout& columnsInUse, uint64_t* steps) {
    // Candidates, trial, choice: each step in a file of its own under engine/recognition/.
    // Readings described as a layout only where no reading by keywords is taken: a file the line
    // classifier reads keeps that reading.
    using recognition::Candidates;
    const recognition::ExportLines lines(bytes);
    uint64_t trialSteps = 0;
    std::optional<recognition::Reading> chosen = recognition::chooseReading(
        bytes, recognition::candidateReadings(lines, inUse, columnsInUse, Candidates::ByKeywords), trialSteps);
    if (!chosen)
        chosen = recognition::chooseReading(
            bytes, recognition::candidateReadings(lines, inUse, columnsInUse, Candidates::AsLayouts), trialSteps);
    if (steps) *steps = lines.steps() + trialSteps;
    if (!chosen) return std::nullopt;
    return std::move(chosen->found);
}

std::string describeKeywords(const RecognisedExport& r) {
    const KeywordSet& k = r.keywords;
    const ColumnLayout& c = r.columns;
    std::string text(messages::kKeywordsRecognised);
    auto name = [&](std::string_view key, const std::string& value) {
        if (text.size() > messages::kKeywordsRecognised.size()) text += ", ";
        text += std::string(key) + " " + quoted(value);
    };
    // The keywords the reading goes by: no contains keyword where a header pattern stands, no
    // type words without a type column.
    if (c.Header.empty()) name("contains", k.contains);
    if (c.Type != 0) {
        name("SubAssembly", k.SubAssembly);
        name("Part", k.Part);
    }
    name("SummaryOfParts", k.SummaryOfParts);
    return text;
}

std::string describeLayout(const RecognisedExport& r) {
    if (r.layout) return std::string(messages::kLayoutRecognised) + describeLayout(*r.layout);
    const ColumnLayout& c = r.columns;
    auto column = [&](std::string_view what, int n, const std::string& title) {
        std::string text = std::string(what) + (c.Separator != 0 ? " in column " : " in field ") + std::to_string(n);
        if (!title.empty()) text += " " + quoted(title);
        return text;
    };
    std::string text(messages::kLayoutRecognised);
    if (c.Separator != 0)
        text += "cells separated by " +
                quoted(c.Separator == '\t' ? std::string_view("\\t") : std::string_view(&c.Separator, 1)) + ", ";
    text += column("quantity", c.Quantity, r.quantityTitle) + ", " + column("name", c.Name, r.nameTitle) + ", ";
    text += c.Type == 0 ? std::string("no type column") : column("type", c.Type, r.typeTitle);
    if (!c.Header.empty()) text += ", block header " + quoted(c.Header);
    return text;
}

}  // namespace trelk

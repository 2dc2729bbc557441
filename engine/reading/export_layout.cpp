#include "engine/reading/export_layout.h"

#include "engine/reading/line_classifier.h"

namespace trelk {

std::vector<const LayoutField*> LineTemplate::fields() const {
    std::vector<const LayoutField*> found;
    for (const std::vector<LinePiece>& cell : cells)
        for (const LinePiece& piece : cell)
            if (piece.isField) found.push_back(&piece.field);
    return found;
}

const LayoutField* LineTemplate::find(FieldRole role) const {
    for (const std::vector<LinePiece>& cell : cells)
        for (const LinePiece& piece : cell)
            if (piece.isField && piece.field.role == role) return &piece.field;
    return nullptr;
}

bool LineTemplate::literalOnly() const {
    for (const std::vector<LinePiece>& cell : cells)
        for (const LinePiece& piece : cell)
            if (piece.isField || piece.text.find_first_not_of(" \t") != std::string::npos) return false;
    return true;
}

std::string LineTemplate::literalText() const {
    std::string text;
    for (const std::vector<LinePiece>& cell : cells)
        for (const LinePiece& piece : cell)
            if (!piece.isField) text += piece.text;
    return text;
}

std::string LineTemplate::firstLiteral() const {
    for (const std::vector<LinePiece>& cell : cells)
        for (const LinePiece& piece : cell) {
            const size_t first = piece.text.find_first_not_of(" \t");
            if (!piece.isField && first != std::string::npos)
                return piece.text.substr(first, piece.text.find_last_not_of(" \t") + 1 - first);
        }
    return "";
}

LinePiece literalPiece(std::string text) {
    LinePiece piece;
    piece.text = std::move(text);
    return piece;
}

LinePiece fieldPiece(FieldRole role) {
    LinePiece piece;
    piece.isField = true;
    piece.field.role = role;
    return piece;
}

LineTemplate wordsLine(std::vector<LinePiece> pieces) {
    LineTemplate line;
    line.match = LineTemplate::Match::Words;
    line.cells.push_back(std::move(pieces));
    return line;
}

namespace {

RowLayout rowOf(const ColumnLayout& columns) {
    RowLayout row;
    row.split = columns.Separator != 0 ? RowLayout::Split::Separator : RowLayout::Split::Blanks;
    row.separator = columns.Separator;
    auto cell = [&row](int number, FieldRole role) {
        CellRole c;
        c.cell = number;
        c.field.role = role;
        row.cells.push_back(c);
    };
    cell(columns.Quantity, FieldRole::Quantity);
    if (columns.Type != 0) cell(columns.Type, FieldRole::Type);
    cell(columns.Name, FieldRole::Name);
    return row;
}

// The pieces of a one-cell Words line, or null.
const std::vector<LinePiece>* onlyCell(const std::vector<LineTemplate>& lines) {
    if (lines.size() != 1 || lines[0].match != LineTemplate::Match::Words || lines[0].cells.size() != 1) return nullptr;
    return &lines[0].cells[0];
}

bool isRole(const LinePiece& piece, FieldRole role) { return piece.isField && piece.field.role == role; }

std::string formatSuffix(const FieldFormat& f) {
    if (f.width == 0 && f.precision < 0 && f.conversion == 0 && !f.leftAligned) return "";
    std::string text = "[";
    if (f.leftAligned) text += '-';
    if (f.width > 0) text += std::to_string(f.width);
    if (f.precision >= 0) text += "." + std::to_string(f.precision);
    if (f.conversion != 0) text += f.conversion;
    return text + "]";
}

std::string fieldText(const LayoutField& f) {
    switch (f.role) {
    case FieldRole::Quantity: return "%$quantity" + formatSuffix(f.format);
    case FieldRole::Type: return "%$type" + formatSuffix(f.format);
    case FieldRole::Name: return "%$name" + formatSuffix(f.format);
    case FieldRole::Parameter: return "%" + f.parameter + formatSuffix(f.format);
    case FieldRole::Total: return "%[$total(" + f.parameter + ")]" + formatSuffix(f.format);
    case FieldRole::Ignored: break;
    }
    return "...";
}

// A text for the log: a run of one character (a rule of '=', the blanks of a wide title) shown by
// its first three and "...".
std::string quoted(const std::string& text) {
    constexpr size_t kLongRun = 6;
    std::string shown = "\"";
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && text[end] == text[i]) ++end;
        shown.append(end - i >= kLongRun ? 3 : end - i, text[i]);
        if (end - i >= kLongRun) shown += "...";
        i = end;
    }
    return shown + "\"";
}

std::string linesText(const std::vector<LineTemplate>& lines) {
    std::string text;
    for (const LineTemplate& line : lines) {
        if (line.literalOnly()) continue;
        if (!text.empty()) text += " / ";
        text += templateText(line);
    }
    return quoted(text);
}

std::string_view roleWord(FieldRole role) {
    switch (role) {
    case FieldRole::Quantity: return "quantity";
    case FieldRole::Type: return "type";
    case FieldRole::Name: return "name";
    default: return "parameter";
    }
}

std::string cellsText(const RowLayout& row) {
    std::string text;
    if (row.split == RowLayout::Split::Separator)
        text = row.separator == '\t' ? "cells separated by tabs"
                                     : "cells separated by " + quoted(std::string(1, row.separator));
    else
        text = "fields cut at blanks";
    if (row.gluedDecimals >= 0)
        text += ", the quantity with " + std::to_string(row.gluedDecimals) + " decimals glued to the next field";
    bool typed = false;
    for (const CellRole& c : row.cells) {
        text += ", " + std::string(roleWord(c.field.role)) + " in column " + std::to_string(c.cell);
        typed = typed || c.field.role == FieldRole::Type;
    }
    if (!typed) text += ", no type column";
    return text;
}

std::string rowText(const RowLayout& row) {
    return row.split == RowLayout::Split::Printed ? "rows " + quoted(templateText(row.printed)) : cellsText(row);
}

}  // namespace

ExportLayout fromKeywords(const KeywordSet& keywords, const ColumnLayout& columns) {
    ExportLayout layout;
    layout.origin = ExportLayout::Origin::Keywords;
    layout.subAssemblyWord = keywords.SubAssembly;
    layout.partWord = keywords.Part;
    SectionLayout breakdown;
    const HeaderPattern pattern = parseHeaderPattern(columns.Header);
    if (pattern.valid)
        breakdown.heading.push_back(wordsLine({fieldPiece(FieldRole::Ignored), literalPiece(pattern.before),
                                               fieldPiece(FieldRole::Name), literalPiece(pattern.after)}));
    else
        breakdown.heading.push_back(
            wordsLine({fieldPiece(FieldRole::Ignored), fieldPiece(FieldRole::Name), literalPiece(keywords.contains)}));
    breakdown.row = rowOf(columns);
    SectionLayout summary;
    summary.heading.push_back(wordsLine({fieldPiece(FieldRole::Ignored), literalPiece(keywords.SummaryOfParts),
                                         fieldPiece(FieldRole::Ignored), fieldPiece(FieldRole::Name)}));
    summary.row = breakdown.row;
    layout.breakdown = std::move(breakdown);
    layout.summary = std::move(summary);
    return layout;
}

std::optional<WordReading> wordReading(const ExportLayout& layout) {
    if (!layout.prolog.empty() || !layout.breakdown) return std::nullopt;
    const SectionLayout& breakdown = *layout.breakdown;
    const RowLayout& row = breakdown.row;
    if (row.split == RowLayout::Split::Printed || row.gluedDecimals >= 0) return std::nullopt;
    WordReading reading;
    reading.keywords.SubAssembly = layout.subAssemblyWord;
    reading.keywords.Part = layout.partWord;
    ColumnLayout& columns = reading.columns;
    columns.Separator = row.split == RowLayout::Split::Separator ? row.separator : 0;
    columns.Type = 0;
    int quantity = 0, name = 0;
    for (const CellRole& c : row.cells) {
        if (c.field.role == FieldRole::Quantity) quantity = c.cell;
        if (c.field.role == FieldRole::Type) columns.Type = c.cell;
        if (c.field.role == FieldRole::Name) name = c.cell;
    }
    if (quantity == 0 || name == 0 || (row.split == RowLayout::Split::Separator && row.separator == 0))
        return std::nullopt;
    columns.Quantity = quantity;
    columns.Name = name;

    // The header: the name after any words and before the `contains` keyword, or a pattern of
    // words around the name.
    const std::vector<LinePiece>* header = onlyCell(breakdown.heading);
    if (!header) return std::nullopt;
    const std::vector<LinePiece>& h = *header;
    if (h.size() == 3 && isRole(h[0], FieldRole::Ignored) && isRole(h[1], FieldRole::Name) && !h[2].isField) {
        reading.keywords.contains = h[2].text;
    } else if (h.size() == 4 && isRole(h[0], FieldRole::Ignored) && !h[1].isField && isRole(h[2], FieldRole::Name) &&
               !h[3].isField) {
        columns.Header = h[1].text + (h[1].text.empty() ? "" : " ") + std::string(kNamePlaceholder) +
                         (h[3].text.empty() ? "" : " ") + h[3].text;
        if (!parseHeaderPattern(columns.Header).valid) return std::nullopt;
    } else {
        return std::nullopt;
    }
    // The summary: its keyword stands before the name.
    if (layout.summary) {
        const std::vector<LinePiece>* heading = onlyCell(layout.summary->heading);
        if (!heading || heading->size() != 4 || (*heading)[1].isField || !isRole((*heading)[3], FieldRole::Name) ||
            !(layout.summary->row == row))
            return std::nullopt;
        reading.keywords.SummaryOfParts = (*heading)[1].text;
    }
    return reading;
}

std::string templateText(const LineTemplate& line) {
    std::string text;
    const bool words = line.match == LineTemplate::Match::Words;
    for (size_t c = 0; c < line.cells.size(); ++c) {
        if (c > 0) text += words ? " " : ";";
        for (const LinePiece& piece : line.cells[c]) {
            if (piece.isField ? false : piece.text.empty()) continue;
            if (words && !text.empty() && text.back() != ' ') text += ' ';
            text += piece.isField ? fieldText(piece.field) : piece.text;
        }
    }
    return text;
}

std::string describeLayout(const ExportLayout& layout) {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (!layout.prolog.empty()) add("text at the top " + linesText(layout.prolog));
    if (layout.breakdown) {
        add("block header " + linesText(layout.breakdown->heading));
        add(rowText(layout.breakdown->row));
    } else {
        add("no breakdown");
    }
    if (!layout.summary) {
        add("no summary");
        return text;
    }
    const bool ownRows = !layout.breakdown || !(layout.summary->row == layout.breakdown->row);
    if (layout.summary->heading.empty())
        add("summary without heading" + (ownRows ? " with " + rowText(layout.summary->row) : ""));
    else
        add("summary " + linesText(layout.summary->heading) + (ownRows ? " with " + rowText(layout.summary->row) : ""));
    return text;
}

}  // namespace trelk

// Each threshold of recognition (engine/recognition/recognition_limits.h) read at its boundary: a
// file just inside it and one just outside, written here by hand-made layouts that do not follow
// the recogniser's own habits (`,` and `;` tables, positions in tens, label lines, descriptions
// with blanks, German words).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/recognition/candidates.h"
#include "engine/recognition/export_recognition.h"
#include "engine/recognition/recognition_limits.h"
#include "support/random_bom.h"

namespace trelk {
namespace {

using recognition::Reading;

// A product to write: its blocks in order, the main one first; a row is a quantity and a name.
struct Row {
    int quantity;
    std::string name;
};
struct Block {
    std::string assembly;
    std::vector<Row> rows;
};

// TOP holds SUB (which has a block) and `parts` parts; SUB holds `subParts` parts.
std::vector<Block> product(int parts, int subParts) {
    std::vector<Block> blocks = {{"TOP", {{2, "SUB"}}}, {"SUB", {}}};
    for (int i = 1; i <= parts; ++i) blocks[0].rows.push_back({i % 4 + 1, "P-" + std::to_string(i)});
    for (int i = 1; i <= subParts; ++i) blocks[1].rows.push_back({i % 3 + 1, "Q-" + std::to_string(i)});
    return blocks;
}

// Lines written for each block: the lines above its rows (the header among them), and each row
// from its number in the block (0, 1, ...) and its row.
struct Layout {
    std::function<std::vector<std::string>(const Block&)> above;
    std::function<std::string(size_t, const Row&, const Block&)> row;
};

std::string write(const std::vector<Block>& blocks, const Layout& layout) {
    std::string text =
        "St\xFC"
        "ckliste\r\n\r\n";
    for (const Block& block : blocks) {
        for (const std::string& line : layout.above(block)) text += line + "\r\n";
        for (size_t i = 0; i < block.rows.size(); ++i) text += layout.row(i, block.rows[i], block) + "\r\n";
        text += "\r\n";
    }
    return text;
}

std::string q(const Row& row) { return std::to_string(row.quantity); }

// A header with the name between marks, and a title line: the plain company layout.
std::vector<std::string> markedHeader(const Block& block) { return {"== " + block.assembly + " ==", "Menge Name"}; }

std::vector<Reading> candidatesOf(const std::string& text) {
    const recognition::ExportLines lines(text);
    return recognition::candidateReadings(lines, KeywordSet(), ColumnLayout());
}

bool anyCandidate(const std::string& text, const std::function<bool(const Reading&)>& test) {
    for (const Reading& reading : candidatesOf(text))
        if (test(reading)) return true;
    return false;
}

std::optional<RecognisedExport> recognised(const std::string& text) {
    return recogniseExport(text, KeywordSet(), ColumnLayout());
}

// Rows "POS QTY NAME" in tens, except the rows numbered at or past `positioned` in the whole file,
// which have no position.
std::string positionedRows(size_t positioned) {
    size_t seen = 0;
    Layout layout{markedHeader, [&seen, positioned](size_t i, const Row& row, const Block&) {
                      const bool position = seen++ < positioned;
                      return (position ? std::to_string(10 * (i + 1)) + " " : std::string()) + q(row) + " " + row.name;
                  }};
    return write(product(4, 5), layout);  // 10 rows
}

// The CAD system's own rows in German, the type of SUB's row and of other rows with blocks from
// `subWords`, of the parts from `partWords` in turn.
std::string typedRows(const std::vector<std::string>& subWords, const std::vector<std::string>& partWords,
                      int parts = 6) {
    std::vector<Block> blocks = {{"TOP", {}}};
    for (size_t k = 0; k < subWords.size(); ++k) {
        blocks[0].rows.push_back({1, "SUB-" + std::to_string(k)});
        blocks.push_back({"SUB-" + std::to_string(k), {{2, "Q-" + std::to_string(k)}, {1, "R-" + std::to_string(k)}}});
    }
    for (int i = 1; i <= parts; ++i) blocks[0].rows.push_back({i % 4 + 1, "P-" + std::to_string(i)});
    size_t seen = 0;  // every part word in turn, so that each stands in some row
    Layout layout{[](const Block& block) { return std::vector<std::string>{block.assembly + " enth\xE4lt:"}; },
                  [&](size_t, const Row& row, const Block&) {
                      const std::string type = row.name.rfind("SUB-", 0) == 0 ? subWords[std::stoul(row.name.substr(4))]
                                                                              : partWords[seen++ % partWords.size()];
                      return "  " + q(row) + "   " + type + "   " + row.name;
                  }};
    return write(blocks, layout);
}

std::vector<std::string> words(size_t count, const std::string& stem) {
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) out.push_back(stem + static_cast<char>('a' + i));
    return out;
}

// `;` table with a type column of `kinds` different words, name with blanks in a description.
std::string kindTable(size_t kinds) {
    size_t seen = 0;
    Layout layout{[](const Block& block) {
                      return std::vector<std::string>{"Baugruppe: " + block.assembly, "Menge;Art;Teil;Beschreibung"};
                  },
                  [&seen, kinds](size_t, const Row& row, const Block&) {
                      const std::string kind =
                          row.name == "SUB" ? "Gruppe" : "Art" + std::to_string(seen++ % (kinds - 1));
                      return q(row) + ";" + kind + ";" + row.name + ";Teil aus Stahl " + row.name;
                  }};
    return write(product(12, 6), layout);
}

// `,` table: POS, QTY, NAME, positions going up by `step` from `step`.
std::string positionTable(int step) {
    Layout layout{[](const Block& block) { return std::vector<std::string>{"Assembly " + block.assembly}; },
                  [step](size_t i, const Row& row, const Block&) {
                      return std::to_string(step * static_cast<int>(i + 1)) + "," + q(row) + "," + row.name;
                  }};
    return write(product(4, 3), layout);
}

// `,` table: POS, QTY, NAME, the positions at the ends of the 64-bit range in turn.
std::string rangeEndPositionTable() {
    Layout layout{[](const Block& block) { return std::vector<std::string>{"Assembly " + block.assembly}; },
                  [](size_t i, const Row& row, const Block&) {
                      return std::string(i % 2 ? "-9223372036854775807," : "9223372036854775807,") + q(row) + "," +
                             row.name;
                  }};
    return write(product(4, 3), layout);
}

// `,` table of `columns` cells: the quantity, the name, then words.
std::string wideTable(size_t columns) {
    Layout layout{[](const Block& block) { return std::vector<std::string>{"Assembly " + block.assembly}; },
                  [columns](size_t, const Row& row, const Block&) {
                      std::string line = q(row) + "," + row.name;
                      for (size_t k = 2; k < columns; ++k) line += ",w" + std::to_string(k);
                      return line;
                  }};
    return write(product(3, 2), layout);
}

// `|` table: the quantity in the first cell, then `others` whole-number cells nearer the name.
std::string numberColumns(size_t others) {
    Layout layout{[](const Block& block) { return std::vector<std::string>{"Assembly " + block.assembly}; },
                  [others](size_t i, const Row& row, const Block&) {
                      std::string line = q(row);
                      for (size_t k = 0; k < others; ++k) line += "|" + std::to_string(7 * (i + 1) + 3 * k + 11);
                      return line + "|" + row.name;
                  }};
    return write(product(4, 3), layout);
}

// The CAD layout with SUB's type word "Baugruppe" cut after "Baugr", the rest on the next line;
// `cuts` rows so cut, the whole word nowhere.
std::string cutTypeWords(size_t cuts) {
    std::vector<Block> blocks = {{"TOP", {}}};
    for (size_t k = 0; k < cuts; ++k) {
        blocks[0].rows.push_back({1, "SUB-" + std::to_string(k)});
        blocks.push_back({"SUB-" + std::to_string(k), {{2, "Q-" + std::to_string(k)}, {1, "R-" + std::to_string(k)}}});
    }
    blocks[0].rows.push_back({3, "P-1"});
    std::string text = "\r\n";
    for (const Block& block : blocks) {
        text += block.assembly + " enth\xE4lt:\r\n";
        for (const Row& row : block.rows)
            text += "  " + q(row) + "  " +
                    (row.name.rfind("SUB-", 0) == 0 ? "Baugr  " + row.name + "\r\n     uppe" : "Teil   " + row.name) +
                    "\r\n";
        text += "\r\n";
    }
    return text;
}

// One block of `;` rows of 3 cells under a summary of 2 cells as long, so that the summary's width
// is the usual one; above them `lines` lines of 4 cells and as many of 5, each width then more
// usual than the rows'.
std::string oneBlockUnderWiderLines(size_t lines) {
    std::string text;
    for (size_t k = 0; k < lines; ++k)
        text +=
            "Blatt;Stand;Zeichner;Pr\xFC"
            "fer\r\n";
    for (size_t k = 0; k < lines; ++k)
        text +=
            "Blatt;Stand;Zeichner;Pr\xFC"
            "fer;Freigabe\r\n";
    return text +
           "Baugruppe: TOP  Rev. A  Rahmen\r\nTeil;Menge;Art\r\nBOLT;4.000;Teil\r\nNUT;1.000;Teil\r\n\r\n"
           "Teile von TOP:\r\nTeil;Menge\r\nBOLT;4.000\r\nNUT;1.000\r\n";
}

// TAB cells under `lines` label lines above each block: the name, the type word, then labels
// every block prints alike.
std::string labelLines(size_t lines) {
    Layout layout{[lines](const Block& block) {
                      std::vector<std::string> above = {"Modellname:\t\t" + block.assembly,
                                                        block.assembly == "TOP" ? "Art:\tBaugruppe" : "Art:\tGruppe"};
                      while (above.size() < lines) above.push_back("Feld " + std::to_string(above.size()) + ":\tja");
                      above.push_back("Menge\tModellname");
                      return above;
                  },
                  [](size_t, const Row& row, const Block&) { return q(row) + "\t" + row.name; }};
    return write(product(3, 2), layout);
}

// Name-first rows at blanks (name, type, quantity) with a summary, under title rows whose type
// title starts `reach` characters before the end of the longest name (10 characters).
std::string titledNameFirstRows(size_t reach) {
    const auto padded = [](std::string text, size_t width) {
        text.resize(std::max(text.size(), width), ' ');
        return text;
    };
    const std::string titles = padded(padded("Nr", 10 - reach) + "Art", 20) + "Menge\r\n";
    const auto row = [&](const std::string& name, const std::string& type, int quantity) {
        const std::string q = std::to_string(quantity);
        return padded(padded(name, 12) + type, 25 - q.size()) + q + "\r\n";
    };
    return "Baugruppe TOP enth\xE4lt:\r\n" + titles + row("SUB", "Gruppe", 2) + row("P-1", "Teil", 2) +
           row("SCHRAUBE-1", "Teil", 3) + "\r\nBaugruppe SUB enth\xE4lt:\r\n" + titles + row("Q-1", "Teil", 2) +
           row("Q-2", "Teil", 3) + "\r\nTeile von TOP:\r\n" + titles + row("P-1", "Teil", 2) +
           row("SCHRAUBE-1", "Teil", 3) + row("Q-1", "Teil", 4) + row("Q-2", "Teil", 6);
}

struct Boundary {
    const char* threshold;
    std::string inside, outside;
    std::function<bool(const std::string&)> holds;
};

// Their differences leave the range: no step of positions, so the column may be the quantity (and
// telling so must not overflow, which the sanitized build reports).
TEST(RecognitionLimits, NumbersAtTheRangeEndsAreNoPositions) {
    EXPECT_TRUE(anyCandidate(rangeEndPositionTable(), [](const Reading& r) { return r.found.columns.Quantity == 1; }));
}

TEST(RecognitionLimits, EachThresholdDividesItsBoundaryFiles) {
    const auto quantityAt = [](int column) {
        return [column](const std::string& text) {
            return anyCandidate(text, [column](const Reading& r) { return r.found.columns.Quantity == column; });
        };
    };
    const auto typed = [](const std::string& text) {
        const std::optional<RecognisedExport> r = recognised(text);
        return r && r->columns.Type != 0;
    };
    // A header rule with the name after these words (and perhaps more before them).
    const auto headerEnds = [](std::string end) {
        return [end](const std::string& text) {
            return anyCandidate(text, [&](const Reading& r) {
                const std::string& header = r.found.columns.Header;
                return header.size() >= end.size() && header.compare(header.size() - end.size(), end.size(), end) == 0;
            });
        };
    };
    const auto separatedBy = [](char separator) {
        return [separator](const std::string& text) {
            const std::optional<RecognisedExport> r = recognised(text);
            return r && r->columns.Separator == separator;
        };
    };
    const std::string longAfter = "x " + std::string(recognition::kMaxKeywordBytes - 4, 'y') + " z";
    const std::string tooLongAfter = "x " + std::string(recognition::kMaxKeywordBytes - 3, 'y') + " z";
    const Layout afterWords{[&](const Block& b) { return std::vector<std::string>{b.assembly + " " + longAfter}; },
                            [](size_t, const Row& row, const Block&) { return q(row) + " " + row.name; }};
    const Layout tooLongAfterWords{
        [&](const Block& b) { return std::vector<std::string>{b.assembly + " " + tooLongAfter}; },
        [](size_t, const Row& row, const Block&) { return q(row) + " " + row.name; }};
    const auto headerWithWords = [](const std::string& before) {
        return Layout{[before](const Block& b) { return std::vector<std::string>{before + " " + b.assembly}; },
                      [](size_t, const Row& row, const Block&) { return q(row) + " " + row.name; }};
    };
    const auto linesAbove = [](size_t lines) {
        return Layout{[lines](const Block& b) {
                          std::vector<std::string> above = {"Baugruppe " + b.assembly};
                          const char* labels[] = {"Menge Benennung", "----- ---------", "Stand: 12.03.2024 ok"};
                          for (size_t k = 0; k < lines; ++k) above.push_back(labels[k]);
                          return above;
                      },
                      [](size_t, const Row& row, const Block&) { return "  " + q(row) + "   " + row.name; }};
    };
    const std::vector<std::string> parts = {"Teil"};
    const std::string sub = "Unterbaugruppe";
    const Boundary boundaries[] = {
        {"a position before the quantity in 9 rows of 10", positionedRows(9), positionedRows(8), quantityAt(2)},
        {"the sub-assembly word in 3 of 5 rows with blocks", typedRows({sub, sub, sub, "Baugruppe", "Gruppe"}, parts),
         typedRows({sub, sub, "Teilgruppe", "Baugruppe", "Gruppe"}, parts),
         [&](const std::string& text) {
             const std::optional<RecognisedExport> r = recognised(text);
             return r && r->columns.Type == 2 && r->keywords.SubAssembly == sub;
         }},
        {"8 type words in the CAD layout", typedRows({"Baugruppe"}, words(recognition::kMaxTypeWords - 1, "Teil"), 12),
         typedRows({"Baugruppe"}, words(recognition::kMaxTypeWords, "Teil"), 12), typed},
        {"8 words in a table's type column", kindTable(recognition::kMaxTypeWords),
         kindTable(recognition::kMaxTypeWords + 1),
         [](const std::string& text) {
             return anyCandidate(text, [](const Reading& r) { return r.found.columns.Type == 2; });
         }},
        {"3 words before the name in a header", write(product(3, 2), headerWithWords("Teil der Baugruppe")),
         write(product(3, 2), headerWithWords("Ein Teil der Baugruppe")), headerEnds("Baugruppe %$name")},
        {"a keyword of 100 bytes after the name", write(product(3, 2), afterWords),
         write(product(3, 2), tooLongAfterWords),
         [](const std::string& text) {
             return anyCandidate(text, [](const Reading& r) { return r.found.keywords.contains.rfind("x y", 0) == 0; });
         }},
        {"2 lines between a header and its rows", write(product(3, 2), linesAbove(2)),
         write(product(3, 2), linesAbove(3)), headerEnds("Baugruppe %$name")},
        {"positions in steps of 10 are no quantity", positionTable(10), positionTable(2),
         [](const std::string& text) {
             return !anyCandidate(text, [](const Reading& r) { return r.found.columns.Quantity == 1; });
         }},
        {"a table of 32 columns", wideTable(recognition::kMaxTableColumns),
         wideTable(recognition::kMaxTableColumns + 1), separatedBy(',')},
        {"the quantity among 4 number columns", numberColumns(recognition::kMaxQuantityColumns - 1),
         numberColumns(recognition::kMaxQuantityColumns), quantityAt(1)},
        {"a type word cut in 2 rows", cutTypeWords(recognition::kMinCutTypeWords),
         cutTypeWords(recognition::kMinCutTypeWords - 1),
         [](const std::string& text) {
             const std::optional<RecognisedExport> r = recognised(text);
             return r && r->keywords.SubAssembly == "Baugruppe";
         }},
        {"a separator in 2 lines", "Baugruppe TOP\r\n2;SUB\r\n1;P-1\r\n", "Baugruppe TOP\r\n2;SUB\r\n1 P-1\r\n",
         [](const std::string& text) {
             const recognition::ExportLines lines(text);
             const std::vector<char> found = recognition::separatorsOf(lines);
             return std::find(found.begin(), found.end(), ';') != found.end();
         }},
        {"only the listed bytes separate cells",
         write(product(3, 2), Layout{[](const Block& b) { return std::vector<std::string>{"Assembly " + b.assembly}; },
                                     [](size_t, const Row& row, const Block&) { return q(row) + "!" + row.name; }}),
         write(product(3, 2), Layout{[](const Block& b) { return std::vector<std::string>{"Assembly " + b.assembly}; },
                                     [](size_t, const Row& row, const Block&) { return q(row) + "/" + row.name; }}),
         [](const std::string& text) {
             const std::optional<RecognisedExport> r = recognised(text);
             return r && r->columns.Separator != 0;
         }},
        {"8 label lines above each block", labelLines(recognition::kMaxLabelLines),
         labelLines(recognition::kMaxLabelLines + 1),
         [](const std::string& text) {
             return anyCandidate(text, [](const Reading& r) {
                 return r.found.layout && r.found.layout->breakdown && r.found.layout->breakdown->heading.size() > 1;
             });
         }},
        {"titles 6 characters into the cells before them", titledNameFirstRows(2 * recognition::kMaxTitleShift),
         titledNameFirstRows(2 * recognition::kMaxTitleShift + 1),
         [](const std::string& text) {
             return anyCandidate(text, [](const Reading& r) {
                 const std::optional<ExportLayout>& layout = r.found.layout;
                 return layout && layout->breakdown && layout->breakdown->titles.size() == 1 &&
                        layout->breakdown->titles.front().cells.size() == 3;
             });
         }},
        {"one table width tried besides the usual one", oneBlockUnderWiderLines(0), oneBlockUnderWiderLines(4),
         [](const std::string& text) {
             return anyCandidate(text, [](const Reading& r) { return r.found.layout && r.found.columns.Type == 3; });
         }},
    };
    for (const Boundary& b : boundaries) {
        SCOPED_TRACE(b.threshold);
        EXPECT_TRUE(b.holds(b.inside)) << "inside:\n" << testing::visible(b.inside);
        EXPECT_FALSE(b.holds(b.outside)) << "outside:\n" << testing::visible(b.outside);
    }
}

}  // namespace
}  // namespace trelk

#include "engine/writing/csv.h"

#include "engine/writing/tables.h"

namespace trelk {

namespace {

// Takes the names of a table's columns: its header row.
class CsvHeader {
public:
    explicit CsvHeader(CsvWriter& csv) : csv_(csv) {}
    template <class Value>
    void column(std::string_view name, Value&&) {
        csv_.field(name);
    }

private:
    CsvWriter& csv_;
};

// Takes the values of a row. Names, words and texts are written as they are.
class CsvCells {
public:
    explicit CsvCells(CsvWriter& csv) : csv_(csv) {}
    template <class Value>
    void column(std::string_view, Value&& value) {
        const Cell cell = value();
        switch (cell.kind) {
        case Cell::Kind::None: csv_.number(std::nullopt); break;
        case Cell::Kind::Name:
        case Cell::Kind::Word:
        case Cell::Kind::SystemText: csv_.field(cell.text); break;
        case Cell::Kind::Number: csv_.number(cell.number); break;
        case Cell::Kind::Flag: csv_.field(cell.number != 0 ? "true" : "false"); break;
        case Cell::Kind::Names: csv_.list(*cell.names); break;
        }
    }

private:
    CsvWriter& csv_;
};

template <class Rows>
int writeCsvTable(OutputFile& file, TextEncoding encoding, const Rows& rows) {
    CsvWriter csv(file);
    if (encoding == TextEncoding::Utf8) csv.raw(kUtf8ByteOrderMark);
    CsvHeader header(csv);
    rows.columns(header, typename Rows::Row{});
    csv.endRow();
    CsvCells cells(csv);
    rows.eachRow([&](const typename Rows::Row& row) {
        rows.columns(cells, row);
        csv.endRow();
    });
    return csv.finish();
}

template <class Rows>
CsvFile csvFile(std::string_view name, TextEncoding encoding, Rows rows) {
    return {name, [encoding, rows](OutputFile& file) { return writeCsvTable(file, encoding, rows); }};
}

}  // namespace

std::vector<CsvFile> csvFiles(const ResultsDocument& document) {
    std::vector<CsvFile> files;
    eachChosenTable(document, [&](Section section, const auto& rows) {
        files.push_back(csvFile(reportSection(section).csvFile, document.analysis.encoding, rows));
    });
    return files;
}

std::vector<CsvFile> csvFiles(const ComparisonDocument& document) {
    const Comparison& c = document.comparison;
    return {
        csvFile("compared-files.csv", c.encoding, ComparedFileRows(c)),
        csvFile("compared-log.csv", c.encoding, ComparedLogRows{c}),
        csvFile("block-changes.csv", c.encoding, BlockChangeRows{c.assemblies}),
        csvFile("assembly-total-changes.csv", c.encoding, TotalChangeRows{c.assemblyTotals}),
        csvFile("part-total-changes.csv", c.encoding, TotalChangeRows{c.partTotals}),
        csvFile("assembly-where-used-changes.csv", c.encoding, WhereUsedChangeRows{c.assemblyWhereUsed}),
        csvFile("part-where-used-changes.csv", c.encoding, WhereUsedChangeRows{c.partWhereUsed}),
    };
}

}  // namespace trelk

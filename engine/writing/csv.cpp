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

// Takes the values of a row: words and numbers as they are, names and texts guarded as the writer
// says.
class CsvCells {
public:
    explicit CsvCells(CsvWriter& csv) : csv_(csv) {}
    template <class Value>
    void column(std::string_view, Value&& value) {
        const Cell cell = value();
        switch (cell.kind) {
        case Cell::Kind::None: csv_.number(std::nullopt); break;
        case Cell::Kind::Word: csv_.field(cell.text); break;
        case Cell::Kind::Name:
        case Cell::Kind::SystemText: csv_.text(cell.text); break;
        case Cell::Kind::Number: csv_.number(cell.number); break;
        case Cell::Kind::Flag: csv_.field(cell.number != 0 ? "true" : "false"); break;
        case Cell::Kind::Names: csv_.list(*cell.names); break;
        }
    }

private:
    CsvWriter& csv_;
};

template <class Rows>
int writeCsvTable(OutputFile& file, TextEncoding encoding, bool raw, const Rows& rows) {
    CsvWriter csv(file, !raw);
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
CsvFile csvFile(std::string_view name, TextEncoding encoding, bool raw, Rows rows) {
    return {name, [encoding, raw, rows](OutputFile& file) { return writeCsvTable(file, encoding, raw, rows); }};
}

}  // namespace

std::vector<CsvFile> csvFiles(const ResultsDocument& document) {
    std::vector<CsvFile> files;
    eachChosenTable(document, [&](Section section, const auto& rows) {
        files.push_back(
            csvFile(reportSection(section).csvFile, document.analysis.encoding, document.request.csvRaw, rows));
    });
    return files;
}

std::vector<CsvFile> csvFiles(const ComparisonDocument& document) {
    const Comparison& c = document.comparison;
    const bool raw = document.csvRaw;
    return {
        csvFile("compared-files.csv", c.encoding, raw, ComparedFileRows(c)),
        csvFile("compared-log.csv", c.encoding, raw, ComparedLogRows{c}),
        csvFile("block-changes.csv", c.encoding, raw, BlockChangeRows{c.assemblies}),
        csvFile("assembly-total-changes.csv", c.encoding, raw, TotalChangeRows{c.assemblyTotals}),
        csvFile("part-total-changes.csv", c.encoding, raw, TotalChangeRows{c.partTotals}),
        csvFile("assembly-where-used-changes.csv", c.encoding, raw, WhereUsedChangeRows{c.assemblyWhereUsed}),
        csvFile("part-where-used-changes.csv", c.encoding, raw, WhereUsedChangeRows{c.partWhereUsed}),
    };
}

}  // namespace trelk

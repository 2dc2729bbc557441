// The comparison of two exports made from one input: a file and an edit of it. The first byte
// gives the request as for fuzz_run (sections, keywords, columns) and, in bit 7, whether the
// comparison is also written, in the format the next byte picks (its two high bits: whether the
// edited file is read by the words the old one was read by); then comes the number of edits
// (the low four bits of a byte, up to 15; its bit 4: whether a file the request's words do not
// read has its words recognised), the edits (four bytes each) and the old file. An edit does to a line what
// engineering changes and careless hands do: a quantity changed, a type word swapped, a line
// removed, repeated or moved, a line copied elsewhere, a member renamed to another's name.
// Checked: the engine's comparison states the facts of the literal comparison
// (tests/support/literal_comparison.h), both files read by the same words; a file compared with
// itself agrees; the files swapped swap every old and new.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/comparison/compare_analyses.h"
#include "engine/files/memory_files.h"
#include "engine/runs/comparison_run.h"
#include "engine/runs/file_analysis.h"
#include "engine/writing/outputs.h"
#include "fuzz_support.h"
#include "support/literal_comparison.h"
#include "support/recording_host.h"

namespace trelk {
namespace {

// The lines of a text with their ends: a line ends after an LF, or after a CR that no LF follows.
std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            lines.emplace_back(text.substr(from, i + 1 - from));
            from = i + 1;
        }
    if (from < text.size()) lines.emplace_back(text.substr(from));
    return lines;
}

// The blank-separated words of a line without its end, and the end.
struct Words {
    std::vector<std::string> words;
    std::string end;
};
Words wordsOf(const std::string& line) {
    Words w;
    size_t body = line.size();
    while (body > 0 && (line[body - 1] == '\r' || line[body - 1] == '\n')) --body;
    w.end = line.substr(body);
    size_t i = 0;
    while (i <= body) {
        const size_t j = std::min(line.find(' ', i), body);
        w.words.push_back(line.substr(i, j - i));
        i = j + 1;
    }
    return w;
}
std::string lineOf(const Words& w) {
    std::string line;
    for (size_t i = 0; i < w.words.size(); ++i) line += (i > 0 ? " " : "") + w.words[i];
    return line + w.end;
}

// A quantity from one byte: small ones mostly, now and then zero, negative or near the limits.
std::string quantityOf(uint8_t b) {
    switch (b % 16) {
    case 0: return "0";
    case 1: return "-" + std::to_string(b / 16 + 1);
    case 2: return "2147483647";
    case 3: return "9223372036854775807";
    case 4: return std::to_string(b / 16) + ".5";
    default: return std::to_string(b / 16 + 1);
    }
}

std::string edited(std::string_view text, std::string_view edits, const KeywordSet& keywords) {
    std::vector<std::string> lines = linesOf(text);
    for (size_t e = 0; e + 4 <= edits.size(); e += 4) {
        if (lines.empty()) break;
        const auto byte = [&](size_t k) { return static_cast<uint8_t>(edits[e + k]); };
        const size_t at = byte(1) % lines.size(), other = byte(2) % lines.size();
        switch (byte(0) % 7) {
        case 0: {  // the first run of digits becomes another quantity
            std::string& line = lines[at];
            const size_t d = line.find_first_of("0123456789");
            if (d == std::string::npos) break;
            const size_t end = std::min(line.find_first_not_of("0123456789", d), line.size());
            line.replace(d, end - d, quantityOf(byte(3)));
            break;
        }
        case 1: {  // a part becomes a sub-assembly, or the reverse
            Words w = wordsOf(lines[at]);
            for (std::string& word : w.words)
                if (word == keywords.Part && !word.empty())
                    word = keywords.SubAssembly;
                else if (word == keywords.SubAssembly && !word.empty())
                    word = keywords.Part;
            lines[at] = lineOf(w);
            break;
        }
        case 2: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at)); break;
        case 3: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]); break;
        case 4: {  // moved
            const std::string moved = lines[at];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lines.empty() ? 0 : other % lines.size()), moved);
            break;
        }
        case 5: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(other), lines[at]); break;
        default: {  // the last word takes the last word of another line: a member renamed or moved
            Words w = wordsOf(lines[at]);
            w.words.back() = wordsOf(lines[other]).words.back();
            lines[at] = lineOf(w);
            break;
        }
        }
    }
    std::string out;
    for (const std::string& line : lines) out += line;
    return out;
}

// A difference that one side shows at an end of the 64-bit range has no exact negation.
bool atRangeEnd(const std::string& difference) {
    return difference.find('!') != std::string::npos || difference == "-9223372036854775808";
}

// The facts of a comparison seen from the other side: added and removed, and every old and new,
// swapped; a difference changes its sign ("?" where it is at an end of the range).
std::vector<std::string> mirrored(const std::vector<std::string>& facts) {
    std::vector<std::string> out;
    for (const std::string& fact : facts) {
        Words w = wordsOf(fact);
        std::vector<std::string>& t = w.words;
        auto swapChange = [](std::string& change) {
            if (change == "added")
                change = "removed";
            else if (change == "removed")
                change = "added";
        };
        const size_t n = t.size();
        if (t[0] == "block") {
            swapChange(t[n - 1]);
        } else if (fact.rfind("  member ", 0) == 0) {  // "" "" member NAME CHANGE OLD-TYPE NEW-TYPE OLD NEW
            swapChange(t[n - 5]);
            std::swap(t[n - 4], t[n - 3]);
            std::swap(t[n - 2], t[n - 1]);
        } else if (t[0] == "total") {  // total KIND NAME OLD NEW DIFFERENCE CAUSE in:... via:...
            std::swap(t[n - 6], t[n - 5]);
            std::string& difference = t[n - 4];
            if (atRangeEnd(difference))
                difference = "?";
            else if (difference != "0")
                difference = difference[0] == '-' ? difference.substr(1) : "-" + difference;
        } else if (t[0] == "where-used") {  // where-used KIND NAME PARENT CHANGE OLD NEW
            swapChange(t[n - 3]);
            std::swap(t[n - 2], t[n - 1]);
        }
        out.push_back(lineOf(w));
    }
    return out;
}

std::vector<std::string> withoutRangeEnds(std::vector<std::string> facts) {
    for (std::string& fact : facts) {
        Words w = wordsOf(fact);
        if (w.words[0] == "total" && atRangeEnd(w.words[w.words.size() - 4])) {
            w.words[w.words.size() - 4] = "?";
            fact = lineOf(w);
        }
    }
    return facts;
}

bool sameWords(const KeywordSet& a, const KeywordSet& b) {
    return a.contains == b.contains && a.SubAssembly == b.SubAssembly && a.Part == b.Part &&
           a.SummaryOfParts == b.SummaryOfParts;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The file's analysis, its log left unkept: nothing here checks it, and a roll-up of cycles may log
// thousands of lines. The walk through assemblies that contain themselves gets a budget of its
// own, far above what the literal comparison below is run on (4,000 steps) and far below a
// user's file's: a kilobyte of dense cycles walked 50 million item lines, 200 ms an input under
// the sanitizers, and then made a message of most of them. The budgets themselves are the roll-up
// tests' to check.
Analysis analysed(const RunRequest& request, const std::string& name, bool recognition) {
    RunRequest one = request;
    one.bomFileName = name;
    AnalysisWants wants;
    wants.encoding = true;
    wants.structure = true;
    wants.rollup.maxCycleSteps = 100000;
    wants.rollup.maxMessages = 1000;
    wants.recognition = recognition;
    return analyse(
        one, [](std::string_view) {}, wants);
}

Comparison compared(const Analysis& a, const Analysis& b, const std::string& aName, const std::string& bName) {
    ComparedFile files[2];
    files[0].bomFileName = aName;
    files[1].bomFileName = bName;
    return compareAnalyses(a, b, std::move(files[0]), std::move(files[1]), 1, [](std::string_view) {});
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    if (size < 3) return 0;
    const uint8_t flags = data[0];
    const uint8_t format = data[1];
    const size_t edits = std::min<size_t>(data[2] % 16 * 4, size - 3);
    std::string_view rest(reinterpret_cast<const char*>(data + 3 + edits), size - 3 - edits);
    RunRequest request = fuzz::requestFrom(flags, rest);
    const std::string oldText(rest);
    const std::string oldName = "/fuzz/old.bom", newName = "/fuzz/new.bom";
    const fuzz::FilesClearedAtEnd files;
    memory_files::put(oldName, oldText);
    // Most inputs a comparison's mutations make are read by no words at all: recognition took
    // three fifths of this target's time and found no reading in 98 inputs of 100, which then had
    // nothing to compare. Recognition is the recognition fuzzer's to try; here it runs where the
    // input asks for it (the seeds in other words or layouts do).
    const bool recognition = data[2] & 16;
    const Analysis oldAnalysis = analysed(request, oldName, recognition);
    fuzz::check(oldAnalysis.readError == kNoError, "a file in memory not read");
    // Nothing to compare where the old file has no main assembly; its edit is not read.
    if (oldAnalysis.lineCount <= 1 || !oldAnalysis.mainAssemblyFound) return 0;

    // The edits go by the words the old file was read by. The edited file is mostly read by them
    // too, as by a user who set them after the first run; a quarter of the inputs (bits 6 and 7 of
    // the format byte clear) recognise its words afresh. Recognising both files took half of
    // this target's time, and only files read by the same words meet the literal comparison.
    const std::string newText =
        edited(oldText, std::string_view(reinterpret_cast<const char*>(data + 3), edits), oldAnalysis.keywords);
    memory_files::put(newName, newText);
    RunRequest newRequest = request;
    if (format >> 6) {
        newRequest.keywords = oldAnalysis.keywords;
        newRequest.columns = oldAnalysis.columns;
    }
    const Analysis newAnalysis = analysed(newRequest, newName, recognition);
    fuzz::check(newAnalysis.readError == kNoError, "a file in memory not read");
    if (newAnalysis.lineCount <= 1 || !newAnalysis.mainAssemblyFound) return 0;

    const Comparison forward = compared(oldAnalysis, newAnalysis, oldName, newName);
    const std::vector<std::string> facts = testing::comparisonFacts(forward);

    const Comparison itself = compared(oldAnalysis, oldAnalysis, oldName, oldName);
    fuzz::check(itself.agree(), "a file compared with itself does not agree");
    fuzz::checkEqual("main same\n", joined(testing::comparisonFacts(itself)), "a file compared with itself");

    const Comparison backward = compared(newAnalysis, oldAnalysis, newName, oldName);
    fuzz::checkEqual(joined(mirrored(facts)), joined(withoutRangeEnds(testing::comparisonFacts(backward))),
                     "the files swapped do not swap old and new");
    fuzz::check(forward.agree() == backward.agree(), "the files swapped agree otherwise");

    // The literal comparison reads both files by one set of words and the rules of the CAD
    // system's own layout; a file whose words or layout were recognised may be read by others.
    // It compares names byte for byte: a Windows-1252 file's names are matched as UTF-8 against
    // a UTF-8 file's (an edit that moves the byte-order mark or adds a byte that is no UTF-8
    // changes the encoding). It walks every path and searches the file for every block: only
    // small structures go to it.
    if (sameWords(oldAnalysis.keywords, newAnalysis.keywords) && oldAnalysis.columns == newAnalysis.columns &&
        oldAnalysis.encoding == newAnalysis.encoding && !oldAnalysis.columns.tableRules() &&
        fuzz::literalWalkWithin(*oldAnalysis.structure, 4000) &&
        fuzz::literalWalkWithin(*newAnalysis.structure, 4000)) {
        const std::vector<std::string> expected =
            literal::compareFiles(oldText, newText, oldAnalysis.keywords, oldAnalysis.columns);
        fuzz::checkEqual(joined(expected), joined(facts), "facts differ from the literal comparison");
        fuzz::check(forward.agree() == (expected == std::vector<std::string>{"main same"}),
                    "agreement differs from the literal comparison");
    }

    // The comparison written as the request's format would write it, to memory.
    if (flags & 128) {
        request.format = static_cast<ReportFormat>(format % std::size(kOutputFormats));
        request.applicationFolder = "/fuzz";
        const ComparisonDocument document{forward, request.sections};
        testing::RecordingHost host;
        const RunOutcome written =
            writeOutputs(destinationOf(request, comparisonPathFor(request)), outputsOf(request.format, document), host);
        fuzz::check(written.stored(), "a comparison in memory not stored");
    }
    return 0;
}

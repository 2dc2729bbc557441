// A sample of an export, enough to recognise its words and layout without reading it whole: its
// first blocks, and the starts of its last blocks, where the summary of parts stands (found from
// the end of the file). The file is read through InputFile, seeking past its middle; the sample
// holds a bounded number of bytes whatever the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/files/file_system.h"
#include "text/text_rules.h"

namespace trelk {

// Enough blocks that a second block names a member of the first, and rows for every column.
inline constexpr size_t kSampleBlocks = 16;
// Rows enough to tell a quantity from a position column in a table of large blocks.
inline constexpr size_t kSampleRows = 2000;
// The most bytes of the start kept, whatever the blocks and rows: the recognition's cost.
inline constexpr size_t kSampleHeadBytes = 4u << 20;
// The end looked through for the last blocks: a summary of 100,000 parts holds about 5 MB.
inline constexpr uint64_t kSampleTailBytes = 8u << 20;
// The summary's heading, its title row after an empty line, and sections after the summary.
inline constexpr size_t kSampleTailBlocks = 4;
// Lines kept of each of the last blocks: their heading and a first few rows.
inline constexpr size_t kSampleTailBlockLines = 64;

struct SampleLimits {
    size_t blocks = kSampleBlocks;
    size_t rows = kSampleRows;
    size_t headBytes = kSampleHeadBytes;
    uint64_t tailBytes = kSampleTailBytes;
    size_t tailBlocks = kSampleTailBlocks;
    size_t tailBlockLines = kSampleTailBlockLines;
};

struct ExportSample {
    // The first lines, then, after an empty line, the first lines of each of the last blocks,
    // every line ended as the file ends its lines.
    std::string bytes;
    bool whole = false;      // the bytes are the whole file
    bool usable = true;      // false when the file holds a Ctrl-Z, after which it ends: read it whole
    size_t blocks = 0;       // the blocks the first lines begin
    TextLayout layout;       // the file's line ends
    uint64_t bytesRead = 0;  // the bytes read from the file to take the sample
};

// Takes the sample from the file, whatever was read of it before: the error number, or 0.
int takeExportSample(InputFile& file, const SampleLimits& limits, ExportSample& sample);

// What a reading of the whole file must agree with, counted in one more reading of it from the
// start: the lines that look like rows (looksLikeRow), those that hold `keyword` (when not
// empty), where the report's copy of the breakdown stops, and, for a block header rule
// (`headerRule`, as a column layout's Header) of several words before the name, the lines that
// the last of those words would take as headers and the whole rule does not. The sample's
// headers may share words that later ones lack ("Parts list of %$name" where a later block
// begins "Spare parts list of A1"): the rule the whole file shows is then shorter.
struct FileLineCounts {
    size_t rows = 0;
    size_t holdingKeyword = 0;
    size_t headersOfAShorterRule = 0;
};
int countFileLines(InputFile& file, const TextLayout& layout, std::string_view keyword, std::string_view headerRule,
                   FileLineCounts& counts);
// The same, for bytes held in memory (a sample).
FileLineCounts countLines(std::string_view bytes, const TextLayout& layout, std::string_view keyword,
                          std::string_view headerRule = {});

namespace messages {
// The log line after those that say what was recognised: from the sample, or from the whole file.
std::string recognisedFromSample(size_t blocks);
inline constexpr std::string_view kRecognisedFromWholeFile = "Recognised from the whole BOM file";
}  // namespace messages

}  // namespace trelk

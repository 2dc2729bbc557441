#include "support/compare_texts.h"

#include "engine/runs/file_analysis.h"
#include "support/temp_folder.h"

namespace trelk::testing {

ComparedTexts compareTexts(const std::string& oldText, const std::string& newText, const KeywordSet& keywords,
                           const ColumnLayout& columns, int64_t buildQuantity) {
    // One folder for all the comparisons of a test program, each file new: making and removing a
    // folder, or writing a file over (which ext4 then flushes to disk), costs far more than the
    // comparison.
    static const TempFolder folder;
    static int pair = 0;
    ++pair;
    RunRequest request;
    request.keywords = keywords;
    request.columns = columns;
    request.buildQuantity = buildQuantity;
    AnalysisWants wants;
    wants.encoding = true;
    wants.structure = true;
    Analysis analyses[2];
    ComparedFile files[2];
    const std::string* texts[2] = {&oldText, &newText};
    for (int side : {0, 1}) {
        request.bomFileName = folder.write((side == 0 ? "old" : "new") + std::to_string(pair), *texts[side]);
        files[side].bomFileName = request.bomFileName;
        analyses[side] = analyse(
            request, [&](std::string_view line) { files[side].log.emplace_back(line); }, wants);
        if (analyses[side].lineCount <= 1 || !analyses[side].mainAssemblyFound) return {};
    }
    ComparedTexts result;
    result.compared = true;
    result.comparison = compareAnalyses(analyses[0], analyses[1], files[0], files[1], buildQuantity,
                                        [&](std::string_view line) { result.notes.emplace_back(line); });
    return result;
}

}  // namespace trelk::testing

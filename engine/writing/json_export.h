// The results as one JSON document (UTF-8; names of a Windows-1252 export converted). Its layout
// is versioned by kJsonFormatVersion and described in the help (console.html#json).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/writing/results_document.h"
#include "text/text_codec.h"

namespace trelk {

inline constexpr std::string_view kJsonFormatName = "trelk-results";
inline constexpr int kJsonFormatVersion = 1;

// The UTF-8 text as a JSON string, quoted and escaped; bytes that are no UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);

// Writes the document into the open file; the error number of a failed write, or 0.
int writeJson(OutputFile& file, const ResultsDocument& document);

}  // namespace trelk

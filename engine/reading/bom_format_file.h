// A company's BOM format file (the CAD system's `bom_format` option), read into the layout of the
// exports it makes (engine/reading/export_layout.h). The file holds the commands `.breakdown` and
// `.summary`, each followed by its heading lines, `.titles` (column titles, cut into cells at ';')
// and `.row` (the row of a member, cut the same way), then the lines printed after the rows; text
// before the first section is printed once at the top. Fields: %$name, %$type, %$quantity, any
// model parameter %PARAM and %[$total(x)], each perhaps with a width such as [6d], [-18.18s] or
// [8.3f].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/reading/export_layout.h"

namespace trelk {

struct BomFormatFile {
    std::optional<ExportLayout> layout;
    // When there is no layout: the line of the format file that could not be read (from 1) and why.
    uint32_t errorLine = 0;
    std::string error;
};

// Reads the text of a format file, in the encoding of the exports it is used on.
BomFormatFile parseBomFormat(std::string_view text);

// The format file's text in the encoding of the export, whose literal texts it must match: a
// format file is written in the system's code page, GBK on Chinese systems, while the CAD system
// writes its exports in UTF-8. A file of valid UTF-8 is taken as it is (without a byte-order
// mark); otherwise it is read as GBK and as Windows-1252, and the reading whose literal texts the
// export holds is kept (GBK when both or neither hold them). For an export that is no UTF-8 (an
// older release's, in the code page itself) the bytes are taken as they are.
struct DecodedBomFormat {
    std::string text;
    std::string_view encoding;  // "UTF-8", "GBK", "Windows-1252", or "the BOM file's"
};
DecodedBomFormat decodeBomFormat(std::string_view bytes, std::string_view exportBytes);

}  // namespace trelk

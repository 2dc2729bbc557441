// A BOM format file and an export read by it, both arbitrary: the format file's reading and the
// layout reader must end on any bytes, by a layout, an error or a line that does not fit, without a
// fault. A reading that fits gives a structure whose every item lies in a block.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/reading/bom_format_file.h"
#include "engine/reading/layout_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The format first, up to the first NUL; the export after it.
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t nul = all.find('\0');
    const std::string format = all.substr(0, nul);
    const std::string bytes = nul == std::string::npos ? std::string() : all.substr(nul + 1);
    const trelk::DecodedBomFormat decoded = trelk::decodeBomFormat(format, bytes);
    const trelk::BomFormatFile file = trelk::parseBomFormat(decoded.text);
    if (!file.layout) {
        if (file.errorLine == 0) __builtin_trap();  // an error names its line
        return 0;
    }
    const trelk::LayoutReading reading = trelk::readByLayout(bytes, *file.layout);
    if (reading.misfit.has_value() == (reading.structure != nullptr)) __builtin_trap();
    if (!reading.structure) return 0;
    size_t inBlocks = 0;
    for (const trelk::BomBlock& block : reading.structure->blocks()) inBlocks += block.end - block.begin;
    if (inBlocks != reading.structure->items().size()) __builtin_trap();
    return 0;
}

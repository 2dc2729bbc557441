#include "engine/writing/json_values.h"

#include <nlohmann/json.hpp>

namespace trelk {

// Text that is not valid UTF-8 would make the library fail: it replaces such bytes.
std::string jsonString(std::string_view text) {
    using Json = nlohmann::json;
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

const std::string& JsonWriter::name(std::string_view text) {
    Cached& entry = cache_[text.data()];
    if (entry.json.empty()) {
        entry.size = text.size();
        entry.json = jsonString(toUtf8(text, encoding_));
    } else if (entry.size != text.size()) {
        // Another text that starts at the same place: not kept.
        uncached_ = jsonString(toUtf8(text, encoding_));
        return uncached_;
    }
    return entry.json;
}

void JsonWriter::cell(const Cell& cell) {
    switch (cell.kind) {
    case Cell::Kind::None: out_ << "null"; break;
    case Cell::Kind::Name: out_ << name(cell.text); break;
    case Cell::Kind::Word: word(cell.text); break;
    case Cell::Kind::SystemText: out_ << systemText(cell.text); break;
    case Cell::Kind::Number: number(cell.number); break;
    case Cell::Kind::Flag: out_ << (cell.number != 0 ? "true" : "false"); break;
    case Cell::Kind::Names:
        out_ << '[';
        for (size_t i = 0; i < cell.names->size(); ++i) {
            if (i > 0) out_ << ',';
            out_ << name((*cell.names)[i]);
        }
        out_ << ']';
        break;
    }
}

const std::vector<uint8_t>& JsonWriter::numberColumns(const ItemAttributes& attributes) {
    if (numbersOf_ == &attributes) return numberColumns_;
    numbersOf_ = &attributes;
    numberColumns_.assign(attributes.columns.size(), 0);
    for (size_t c = 0; c < attributes.columns.size(); ++c) {
        if (!attributes.columns[c].numeric) continue;
        bool plain = true;
        for (const ItemAttributeRow& row : attributes.items) {
            const std::string& text = row.values[c].value.text;
            const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
            plain = plain && !(text.size() > digits + 1 && text[digits] == '0' && text[digits + 1] != '.');
        }
        numberColumns_[c] = plain;
    }
    return numberColumns_;
}

}  // namespace trelk

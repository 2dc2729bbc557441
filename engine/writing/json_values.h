// The values of Trelk's JSON documents, in one place: strings escaped by the library, the export's
// names converted to UTF-8 and escaped once however often they are written, the cells of the
// tables (engine/writing/tables.h), and arrays of one row per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/reading/item_attributes.h"
#include "engine/writing/output_buffer.h"
#include "engine/writing/tables.h"
#include "text/text_codec.h"

namespace trelk {

// The UTF-8 text as a JSON string, quoted and escaped; bytes that are no UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);

// A JSON document being written into a file.
class JsonWriter {
public:
    JsonWriter(OutputFile& file, TextEncoding encoding) : out_(file), encoding_(encoding) {}

    OutputBuffer& out() { return out_; }
    TextEncoding encoding() const { return encoding_; }
    // A name of the export, converted from the export's encoding. A large BOM repeats its names in
    // hundreds of thousands of rows: each is converted and escaped once. The names lie in stores
    // that stay put while the document is written, so where one starts tells it apart.
    const std::string& name(std::string_view text);
    // A word of the program: ASCII, written as it is when nothing in it needs escaping (a tree has
    // two words in each of its rows).
    void word(std::string_view text) {
        for (const char c : text)
            if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ||
                static_cast<unsigned char>(c) >= 0x80) {
                out_ << jsonString(text);
                return;
            }
        out_ << '"' << text << '"';
    }
    // A text of the system: a file name, a log line.
    std::string systemText(std::string_view text) const { return jsonString(systemTextToUtf8(text)); }
    void number(int64_t value) {
        char digits[24];
        out_ << decimalText(value, digits);
    }
    // A table's value: none is null, names an array.
    void cell(const Cell& cell);
    // By column of the attributes: whether its values are written as JSON numbers. A column of
    // numbers is, unless one of them has a leading zero ("0815"), which JSON has no number for.
    const std::vector<uint8_t>& numberColumns(const ItemAttributes& attributes);
    // The error number of the first failed write, or 0.
    int finish() { return out_.finish(); }

private:
    struct Cached {
        size_t size;
        std::string json;
    };

    OutputBuffer out_;
    TextEncoding encoding_;
    std::unordered_map<const char*, Cached> cache_;
    const ItemAttributes* numbersOf_ = nullptr;
    std::vector<uint8_t> numberColumns_;
    std::string uncached_;
};

// An array of one row per line, opened after the members before it: ",\r\n" + indent + "\"key\": [".
class JsonArray {
public:
    JsonArray(OutputBuffer& out, std::string_view key, std::string_view indent) : out_(out), indent_(indent) {
        out_ << ",\r\n" << indent_ << "\"" << key << "\": [";
    }
    ~JsonArray() {
        if (first_)
            out_ << "]";
        else
            out_ << "\r\n" << indent_ << "]";
    }
    JsonArray(const JsonArray&) = delete;
    JsonArray& operator=(const JsonArray&) = delete;
    // Starts the next row; the caller writes it.
    OutputBuffer& row() {
        out_ << (first_ ? "\r\n" : ",\r\n") << indent_ << "  ";
        first_ = false;
        return out_;
    }

private:
    OutputBuffer& out_;
    std::string_view indent_;
    bool first_ = true;
};

// Takes the values of a table's row as the members of its object.
class JsonMembers {
public:
    explicit JsonMembers(JsonWriter& json) : json_(json) {}
    template <class Value>
    void column(std::string_view name, Value&& value) {
        json_.out() << (first_ ? "{\"" : ",\"") << name << "\":";
        first_ = false;
        json_.cell(value());
    }
    // "attributes": an object of the values by their columns' titles (null where the item printed
    // none; numbers as numbers in a column of numbers), and "attributesDisagree".
    void attributes(const ItemAttributes& attributes, const ItemAttributeRow* row) {
        json_.out() << (first_ ? "{\"attributes\":{" : ",\"attributes\":{");
        first_ = false;
        const std::vector<uint8_t>& numbers = json_.numberColumns(attributes);
        bool disagrees = false;
        for (size_t c = 0; c < attributes.columns.size(); ++c) {
            json_.out() << (c == 0 ? "" : ",") << json_.name(attributes.columns[c].title) << ':';
            const ItemAttribute* a = row ? &row->values[c] : nullptr;
            if (!a || a->value.empty())
                json_.out() << "null";
            else if (numbers[c])
                json_.out() << a->value.text;
            else
                json_.out() << json_.name(a->value.text);
            disagrees = disagrees || (a && a->disagrees);
        }
        json_.out() << (disagrees ? "},\"attributesDisagree\":true" : "},\"attributesDisagree\":false");
    }
    void end() { json_.out() << '}'; }

private:
    JsonWriter& json_;
    bool first_ = true;
};

// A table's rows as an array of objects, one member per column.
template <class Rows>
void writeJsonRows(JsonWriter& json, std::string_view key, std::string_view indent, const Rows& rows) {
    JsonArray array(json.out(), key, indent);
    rows.eachRow([&](const typename Rows::Row& row) {
        array.row();
        JsonMembers members(json);
        rows.columns(members, row);
        members.end();
    });
}

}  // namespace trelk

// The profile rules on a settings file's text: how it is cut into lines, how a key is found and
// how one is set, and how the text is taken from and put back into the file's encoding.
#pragma once

#include <string>
#include <string_view>

namespace trelk::ini {

// One line of the file and the line end that followed it ("\r\n", "\n", "\r" or ""). Lines end
// at CR LF, LF or CR: a settings file may have been edited anywhere. (A BOM file's lines follow the
// rules of text/text_rules.h instead.)
struct Line {
    std::string_view text;
    std::string_view end;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);
// A text with CR or LF would become several lines of the file: never written.
bool holdsLineEnd(std::string_view text);
std::string_view trimBlanks(std::string_view text);

// The section name of a header line ("[name]"), or false when the line is no header.
bool sectionName(std::string_view line, std::string_view& name);
// The key and raw value of a "key=value" line, or false when the line has no "=".
bool keyAndValue(std::string_view line, std::string_view& key, std::string_view& value);
// A raw value as it is read: blanks trimmed, one pair of enclosing quotes removed, cut to 511.
std::string readValue(std::string_view rawValue);

// The value of the key in the first section of that name, or false.
bool findValue(std::string_view bytes, std::string_view section, std::string_view key, std::string& value);

// The file's text with the key set to the value (see iniWrite).
std::string withValue(std::string_view bytes, std::string_view section, std::string_view key, std::string_view value);

// How a user's editor may have saved the file. ANSI and UTF-8 without a mark are taken byte for
// byte (both are their own text); the others by their byte-order mark.
enum class Encoding { kBytes, kUtf8WithMark, kUtf16LittleEndian };

// The file's text, UTF-8 for a file in UTF-8 or UTF-16, and what is needed to write it back
// in the same form.
struct FileText {
    Encoding encoding = Encoding::kBytes;
    std::string text;
    std::string oddByte;  // a UTF-16 file of an odd length keeps its last byte
};
FileText decode(std::string_view bytes);
// The bytes of the text in the file's encoding; false when the text cannot be put in UTF-16 (it
// holds bytes that are no UTF-8).
bool encode(const FileText& file, std::string& bytes);

}  // namespace trelk::ini

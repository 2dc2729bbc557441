#include "settings/ini_text.h"

#include "text/text_codec.h"

namespace trelk::ini {

namespace {

// Calls take(line) for each line in turn until it returns false.
template <class Take>
void forEachSettingsLine(std::string_view bytes, Take&& take) {
    size_t start = 0;
    while (start < bytes.size()) {
        // A plain loop: find_first_of asks memchr once for every byte of the text.
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        if (end == bytes.size()) {
            take(Line{bytes.substr(start), {}});
            return;
        }
        const size_t endLength = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        if (!take(Line{bytes.substr(start, end - start), bytes.substr(end, endLength)})) return;
        start = end + endLength;
    }
}

}  // namespace

namespace {
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool holdsLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool sectionName(std::string_view line, std::string_view& name) {
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[') return false;
    const size_t close = line.find(']');
    name = trimBlanks(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

bool keyAndValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    key = trimBlanks(line.substr(0, equals));
    value = line.substr(equals + 1);
    return true;
}

std::string readValue(std::string_view rawValue) {
    std::string_view value = trimBlanks(rawValue);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, 511));
}

bool findValue(std::string_view bytes, std::string_view section, std::string_view key, std::string& value) {
    // The lines are walked, not collected: a load asks for some twenty keys.
    bool inSection = false, sectionSeen = false, found = false;
    forEachSettingsLine(bytes, [&](const Line& line) {
        std::string_view name, lineKey, rawValue;
        if (sectionName(line.text, name)) {
            if (sectionSeen && inSection) return false;  // only the first section of that name counts
            inSection = equalsIgnoringCase(name, section);
            sectionSeen |= inSection;
        } else if (inSection && keyAndValue(line.text, lineKey, rawValue) && equalsIgnoringCase(lineKey, key)) {
            value = readValue(rawValue);
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

std::string withValue(std::string_view bytes, std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view newLineEnd = "\r\n";
    // Where the section is, where its last non-blank line is, and the key's line: the lines are
    // walked twice, to find these and to write, rather than collected (a close sets some fifteen
    // keys).
    size_t sectionLine = std::string::npos, lastContent = std::string::npos, keyLine = std::string::npos;
    size_t lines = 0;
    bool searching = true;
    forEachSettingsLine(bytes, [&](const Line& line) {
        const size_t i = lines++;
        if (!searching) return true;
        std::string_view name, lineKey, rawValue;
        if (sectionName(line.text, name)) {
            if (sectionLine != std::string::npos)
                searching = false;
            else if (equalsIgnoringCase(name, section))
                sectionLine = lastContent = i;
        } else if (sectionLine != std::string::npos) {
            if (!trimBlanks(line.text).empty()) lastContent = i;
            if (keyAndValue(line.text, lineKey, rawValue) && equalsIgnoringCase(lineKey, key)) {
                keyLine = i;
                searching = false;
            }
        }
        return true;
    });
    std::string out;
    out.reserve(bytes.size() + section.size() + key.size() + value.size() + 8);
    auto put = [&](std::string_view text, std::string_view end) {
        out.append(text.data(), text.size());
        out.append(end.data(), end.size());
    };
    auto putKeyLine = [&](std::string_view keyText, std::string_view end) {
        out.append(keyText.data(), keyText.size());
        out += '=';
        out.append(value.data(), value.size());
        out.append(end.data(), end.size());
    };
    size_t i = 0;
    forEachSettingsLine(bytes, [&](const Line& line) {
        const bool last = i + 1 == lines;
        if (i == keyLine) {
            // The key keeps its spelling and its place.
            std::string_view lineKey, rawValue;
            keyAndValue(line.text, lineKey, rawValue);
            putKeyLine(lineKey, line.end);
        } else {
            const bool keyFollows = keyLine == std::string::npos && i == lastContent;
            const bool sectionFollows = last && sectionLine == std::string::npos;
            put(line.text, line.end.empty() && (keyFollows || sectionFollows) ? newLineEnd : line.end);
            if (keyFollows) putKeyLine(key, newLineEnd);
        }
        ++i;
        return true;
    });
    if (sectionLine == std::string::npos) {
        out += '[';
        out.append(section.data(), section.size());
        out += ']';
        out.append(newLineEnd.data(), newLineEnd.size());
        putKeyLine(key, newLineEnd);
    }
    return out;
}

FileText decode(std::string_view bytes) {
    FileText file;
    if (startsWithByteOrderMark(bytes)) {
        file.encoding = Encoding::kUtf8WithMark;
        file.text = bytes.substr(kUtf8ByteOrderMark.size());
    } else if (bytes.substr(0, kUtf16LittleEndianByteOrderMark.size()) == kUtf16LittleEndianByteOrderMark) {
        file.encoding = Encoding::kUtf16LittleEndian;
        bytes.remove_prefix(kUtf16LittleEndianByteOrderMark.size());
        if (bytes.size() % 2) file.oddByte = bytes.substr(bytes.size() - 1);
        file.text = utf16LittleEndianToUtf8(bytes);
    } else {
        file.text = bytes;
    }
    return file;
}

bool encode(const FileText& file, std::string& bytes) {
    switch (file.encoding) {
    case Encoding::kBytes: bytes = file.text; return true;
    case Encoding::kUtf8WithMark: bytes = std::string(kUtf8ByteOrderMark) + file.text; return true;
    case Encoding::kUtf16LittleEndian: break;
    }
    bytes.assign(kUtf16LittleEndianByteOrderMark);
    if (!utf8ToUtf16LittleEndian(file.text, bytes)) return false;
    bytes += file.oddByte;
    return true;
}

}  // namespace trelk::ini

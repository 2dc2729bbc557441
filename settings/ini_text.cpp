#include "settings/ini_text.h"

#include "text/text_codec.h"

namespace trelk::ini {

std::vector<Line> splitSettingsLines(std::string_view bytes) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({bytes.substr(start), {}});
            break;
        }
        const size_t endLength = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        lines.push_back({bytes.substr(start, end - start), bytes.substr(end, endLength)});
        start = end + endLength;
    }
    return lines;
}

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
    bool inSection = false, sectionSeen = false;
    for (const Line& line : splitSettingsLines(bytes)) {
        std::string_view name, lineKey, rawValue;
        if (sectionName(line.text, name)) {
            if (sectionSeen && inSection) return false;  // only the first section of that name counts
            inSection = equalsIgnoringCase(name, section);
            sectionSeen |= inSection;
        } else if (inSection && keyAndValue(line.text, lineKey, rawValue) && equalsIgnoringCase(lineKey, key)) {
            value = readValue(rawValue);
            return true;
        }
    }
    return false;
}

std::string withValue(std::string_view bytes, std::string_view section, std::string_view key, std::string_view value) {
    std::vector<Line> lines = splitSettingsLines(bytes);
    const std::string_view newLineEnd = "\r\n";
    // Where the section is, where its last non-blank line is, and the key's line.
    size_t sectionLine = std::string::npos, lastContent = std::string::npos, keyLine = std::string::npos;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, lineKey, rawValue;
        if (sectionName(lines[i].text, name)) {
            if (sectionLine != std::string::npos) break;
            if (equalsIgnoringCase(name, section)) sectionLine = lastContent = i;
        } else if (sectionLine != std::string::npos) {
            if (!trimBlanks(lines[i].text).empty()) lastContent = i;
            if (keyAndValue(lines[i].text, lineKey, rawValue) && equalsIgnoringCase(lineKey, key)) {
                keyLine = i;
                break;
            }
        }
    }
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
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        if (i == keyLine) {
            // The key keeps its spelling and its place.
            std::string_view lineKey, rawValue;
            keyAndValue(lines[i].text, lineKey, rawValue);
            putKeyLine(lineKey, lines[i].end);
            continue;
        }
        const bool keyFollows = keyLine == std::string::npos && i == lastContent;
        const bool sectionFollows = last && sectionLine == std::string::npos;
        put(lines[i].text, lines[i].end.empty() && (keyFollows || sectionFollows) ? newLineEnd : lines[i].end);
        if (keyFollows) putKeyLine(key, newLineEnd);
    }
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

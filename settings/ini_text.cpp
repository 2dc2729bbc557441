#include "settings/ini_text.h"

#include <cstdint>

namespace trelk::ini {

std::vector<Line> splitLines(std::string_view bytes) {
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
    for (const Line& line : splitLines(bytes)) {
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
    std::vector<Line> lines = splitLines(bytes);
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

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

void putUtf8(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void putUtf16(uint32_t unit, std::string& out) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

// The next character of UTF-8 text, or false for a byte that starts none. A surrogate on its own
// is taken as the three bytes decode() gave it, so that any UTF-16 file is written back as it was.
bool nextCharacter(std::string_view text, size_t& at, uint32_t& c) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length;
    uint32_t least;
    if (lead < 0x80) {
        c = lead;
        ++at;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, c = lead & 0x07;
    } else {
        return false;
    }
    if (text.size() - at < length) return false;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return false;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    if (c < least || c > 0x10FFFF) return false;
    at += length;
    return true;
}

}  // namespace

FileText decode(std::string_view bytes) {
    FileText file;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        file.encoding = Encoding::kUtf8WithMark;
        file.text = bytes.substr(kUtf8Mark.size());
    } else if (bytes.substr(0, kUtf16Mark.size()) == kUtf16Mark) {
        file.encoding = Encoding::kUtf16LittleEndian;
        bytes.remove_prefix(kUtf16Mark.size());
        if (bytes.size() % 2) file.oddByte = bytes.substr(bytes.size() - 1);
        const size_t units = bytes.size() / 2;
        const auto unit = [&](size_t i) {
            return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        };
        file.text.reserve(bytes.size());
        for (size_t i = 0; i < units; ++i) {
            uint32_t c = unit(i);
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
            putUtf8(c, file.text);
        }
    } else {
        file.text = bytes;
    }
    return file;
}

bool encode(const FileText& file, std::string& bytes) {
    switch (file.encoding) {
    case Encoding::kBytes: bytes = file.text; return true;
    case Encoding::kUtf8WithMark: bytes = std::string(kUtf8Mark) + file.text; return true;
    case Encoding::kUtf16LittleEndian: break;
    }
    bytes.assign(kUtf16Mark);
    bytes.reserve(2 * file.text.size() + 3);
    for (size_t at = 0; at < file.text.size();) {
        uint32_t c;
        if (!nextCharacter(file.text, at, c)) return false;
        if (c < 0x10000) {
            putUtf16(c, bytes);
        } else {
            putUtf16(0xD800 + ((c - 0x10000) >> 10), bytes);
            putUtf16(0xDC00 + ((c - 0x10000) & 0x3FF), bytes);
        }
    }
    bytes += file.oddByte;
    return true;
}

}  // namespace trelk::ini

// The profile layer on arbitrary file text. The input gives a section, a key and a value
// (FuzzedDataProvider strings) and then the file's text. Checked: the key scan agrees with the
// profile read about which keys are there; a write of a key and value that the settings file can
// hold reads back by the read rules (blanks trimmed, one pair of quotes dropped, at most 511
// characters), is seen by the key scan, changes no other key, and a second identical write
// changes nothing. Then the settings model: a close saves what it is given, loses none of the
// user's keywords, and leaves the same bytes as a close done key by key, each key read from and
// written to the file on its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/files/memory_files.h"
#include "fuzz_support.h"
#include "settings/profile.h"
#include "settings/settings_model.h"
#include "text/text_rules.h"

namespace trelk {
namespace {

const std::string kAbsent = "\x01<absent>";

// The settings files, held in memory (the file layer of memory_files.h, which the settings model
// asks whether the file is there): the profile layer reaches them through its stand-in for the
// platform's whole-file reading and replacing. What a system does with real files (links, modes,
// full disks) is for the tests of settings/.
std::string held(const std::string& file) {
    const std::string* bytes = memory_files::find(file);
    return bytes ? *bytes : std::string();
}
const platform::SettingsFileAccess kInMemory{[](const std::string& file, std::string& bytes) {
                                                 const std::string* found = memory_files::find(file);
                                                 bytes = found ? *found : std::string();
                                                 return found ? platform::SettingsFileState::kRead
                                                              : platform::SettingsFileState::kMissing;
                                             },
                                             [](const std::string& file, const std::string& bytes) {
                                                 memory_files::put(file, bytes);
                                                 return true;
                                             }};

// The profile layer's one-key calls (iniRead, iniKeyExists, iniWrite in profile.h), on those files.
// The reads of one state of the file go to one document, read once: its reads are const, so
// asking it again equals reading the file again.
ProfileDocument opened(const std::string& file) { return ProfileDocument(file, kInMemory); }
bool writeKey(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    ProfileDocument document(file, kInMemory);
    return document.write(section, key, value) && document.save();
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The read rules, written out once more.
std::string asRead(std::string_view value) {
    while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back())) value.remove_suffix(1);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, 511));
}

bool hasLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Names that a settings file can hold as they are: no line end, nothing trimmed away, and no
// character that would make the line mean something else.
bool usableSection(std::string_view s) {
    return !hasLineEnd(s) && s.find(']') == std::string_view::npos &&
           (s.empty() || (!isBlank(s.front()) && !isBlank(s.back())));
}
bool usableKey(std::string_view k) {
    return !k.empty() && !hasLineEnd(k) && k.find('=') == std::string_view::npos && k.front() != '[' &&
           !isBlank(k.front()) && !isBlank(k.back());
}

// Strict UTF-8, written out once more: what a UTF-16 settings file can hold.
bool isUtf8(std::string_view t) {
    for (size_t i = 0; i < t.size();) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(t[i + k]); };
        size_t n = b(0) < 0x80                    ? 1
                   : b(0) >= 0xC2 && b(0) <= 0xDF ? 2
                   : b(0) >= 0xE0 && b(0) <= 0xEF ? 3
                   : b(0) >= 0xF0 && b(0) <= 0xF4 ? 4
                                                  : 0;
        if (n == 0 || t.size() - i < n) return false;
        for (size_t k = 1; k < n; ++k)
            if ((b(k) & 0xC0) != 0x80) return false;
        if ((b(0) == 0xE0 && b(1) < 0xA0) || (b(0) == 0xED && b(1) >= 0xA0) || (b(0) == 0xF0 && b(1) < 0x90) ||
            (b(0) == 0xF4 && b(1) >= 0x90))
            return false;
        i += n;
    }
    return true;
}

bool isUtf16File(std::string_view text) { return text.substr(0, 2) == "\xFF\xFE"; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Every (section, key) the text could be naming: a rough scan, only to choose what to probe.
std::vector<std::pair<std::string, std::string>> probes(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> found;
    std::string section;
    size_t start = 0;
    while (start <= text.size() && found.size() < 24) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            std::string_view name =
                line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
            while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
            section = std::string(name);
        } else if (const size_t equals = line.find('='); equals != std::string_view::npos) {
            std::string_view key = line.substr(0, equals);
            while (!key.empty() && isBlank(key.back())) key.remove_suffix(1);
            found.emplace_back(section, std::string(key));
        }
        start = end + 1;
    }
    return found;
}

// Whether the read finds the key: a missing key gives back the default, whatever it is.
bool readable(const ProfileDocument& file, const std::string& section, const std::string& key) {
    return file.read(section, key, kAbsent) == file.read(section, key, kAbsent + "2");
}

void checkScanAgreesWithRead(const ProfileDocument& file, const std::string& section, const std::string& key) {
    fuzz::check(readable(file, section, key) == file.holds(section, key), "key scan and profile read disagree");
}

void checkProfile(const std::string& file, const std::string& text, const std::string& section, const std::string& key,
                  const std::string& value) {
    memory_files::put(file, text);
    const auto others = probes(text);
    std::vector<std::string> before;
    {
        const ProfileDocument document = opened(file);
        for (const auto& [s, k] : others) {
            before.push_back(document.read(s, k, kAbsent));
            checkScanAgreesWithRead(document, s, k);
        }
        checkScanAgreesWithRead(document, section, key);
    }

    // Each text on its own: a key and a value whose bytes are UTF-8 only together are refused.
    const bool holdable = usableSection(section) && usableKey(key) && !hasLineEnd(value) &&
                          (!isUtf16File(text) || (isUtf8(section) && isUtf8(key) && isUtf8(value)));
    const bool written = writeKey(file, section, key, value);
    if (hasLineEnd(section) || hasLineEnd(key) || hasLineEnd(value)) {
        fuzz::check(!written, "a line end was written");
        fuzz::checkEqual(text, held(file), "a refused write changed the file");
    }
    if (!holdable) return;
    fuzz::check(written, "a write to a plain file failed");
    const ProfileDocument after = opened(file);
    fuzz::check(readable(after, section, key), "a written key is not found");
    fuzz::checkEqual(asRead(value), after.read(section, key, kAbsent), "a written value does not read back");
    fuzz::check(after.holds(section, key), "the key scan misses a written key");
    for (size_t i = 0; i < others.size(); ++i) {
        const auto& [s, k] = others[i];
        if (sameIgnoringCase(s, section) && sameIgnoringCase(k, key)) continue;
        fuzz::checkEqual(before[i], after.read(s, k, kAbsent), "a write changed another key");
    }
    const std::string once = held(file);
    writeKey(file, section, key, value);
    fuzz::checkEqual(once, held(file), "writing the same value again changed the file");
}

// The close one key at a time, each a whole read and replace of the file: the order of the keys,
// defaults only where a key is missing, the flags and the window's place as signed decimals.
void closeKeyByKey(const std::string& file, const SettingsToSave& save) {
    const KeywordSet keywords;
    const auto add = [&](const char* section, const char* key, const std::string& value) {
        if (!opened(file).holds(section, key)) writeKey(file, section, key, value);
    };
    add("Keywords", "contains", keywords.contains);
    add("Keywords", "SubAssembly", keywords.SubAssembly);
    add("Keywords", "Part", keywords.Part);
    add("Keywords", "SummaryOfParts", keywords.SummaryOfParts);
    const auto flag = [](bool on) { return on ? " 1" : " 0"; };
    writeKey(file, "Settings", "Include_BOMAssyBreakdown", flag(save.sections.Include_BOMAssyBreakdown));
    writeKey(file, "Settings", "Include_SummaryOfAssys", flag(save.sections.Include_SummaryOfAssys));
    writeKey(file, "Settings", "Include_SummaryOfParts", flag(save.sections.Include_SummaryOfParts));
    writeKey(file, "Settings", "Include_AssyInAssys", flag(save.sections.Include_AssyInAssys));
    writeKey(file, "Settings", "Include_PartsInAssys", flag(save.sections.Include_PartsInAssys));
    writeKey(file, "Settings", "BOM_filename", save.bomFileName);
    writeKey(file, "Settings", "Width_MainForm", formatSignedDecimal(save.width));
    writeKey(file, "Settings", "Height_MainForm", formatSignedDecimal(save.height));
    writeKey(file, "Settings", "X_MainForm", formatSignedDecimal(save.x));
    writeKey(file, "Settings", "Y_MainForm", formatSignedDecimal(save.y));
    add("Columns", "Quantity", " 1");
    add("Columns", "Type", " 2");
    add("Columns", "Name", "-1");
}

void checkSettingsModel(const std::string& file, const std::string& text, FuzzedDataProvider& input) {
    memory_files::put(file, text);
    const StoredSettings loaded = loadSettings(file, kInMemory);
    SettingsToSave save;
    save.bomFileName = input.ConsumeRandomLengthString(64);
    save.sections.Include_BOMAssyBreakdown = input.ConsumeBool();
    save.sections.Include_SummaryOfAssys = input.ConsumeBool();
    save.sections.Include_SummaryOfParts = input.ConsumeBool();
    save.sections.Include_AssyInAssys = input.ConsumeBool();
    save.sections.Include_PartsInAssys = input.ConsumeBool();
    save.x = input.ConsumeIntegral<int>();
    save.y = input.ConsumeIntegral<int>();
    save.width = input.ConsumeIntegral<int>();
    save.height = input.ConsumeIntegral<int>();
    saveSettings(file, save, kInMemory);
    const std::string keyByKey = "key-by-key.ini";
    memory_files::put(keyByKey, text);
    closeKeyByKey(keyByKey, save);
    fuzz::checkEqual(held(keyByKey), held(file), "a close differs from one done key by key");

    const StoredSettings again = loadSettings(file, kInMemory);
    fuzz::check(again.fileFound, "the settings file is gone after a close");
    // The user's keywords are never overwritten; missing ones get their defaults.
    fuzz::checkEqual(loaded.keywords.contains, again.keywords.contains, "keyword 'contains' changed by a close");
    fuzz::checkEqual(loaded.keywords.SubAssembly, again.keywords.SubAssembly,
                     "keyword 'SubAssembly' changed by a close");
    fuzz::checkEqual(loaded.keywords.Part, again.keywords.Part, "keyword 'Part' changed by a close");
    fuzz::checkEqual(loaded.keywords.SummaryOfParts, again.keywords.SummaryOfParts,
                     "keyword 'SummaryOfParts' changed by a close");
    fuzz::check(again.sections == save.sections, "section flags not saved");
    fuzz::check(again.x == save.x && again.y == save.y && again.width == save.width && again.height == save.height,
                "window place not saved");
    // A name with a line end would add lines of its own to the file, and one that is no UTF-8 has
    // no place in a UTF-16 file: neither is written.
    const bool nameHoldable = !hasLineEnd(save.bomFileName) && (!isUtf16File(text) || isUtf8(save.bomFileName));
    fuzz::checkEqual(nameHoldable ? asRead(save.bomFileName) : loaded.bomFileName, again.bomFileName,
                     "BOM file name not saved");
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(1024);
    const bool model = input.ConsumeBool();
    const std::string text = input.ConsumeRandomLengthString(size);
    const std::string file = "Trelk.ini";
    checkProfile(file, text, section, key, value);
    if (model) checkSettingsModel(file, text, input);
    return 0;
}

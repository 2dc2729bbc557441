// Trelk.ini as users' editors save it: ANSI, UTF-8 with and without a byte-order mark, UTF-16 LE
// with its mark. The keywords are read (as UTF-8 from a Unicode file) and drive a run; a close
// keeps them, adds no second section and keeps the encoding, byte for byte.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <functional>

#include "engine/runs/processing_run.h"
#include "settings/profile.h"
#include "settings/settings_model.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

// UTF-8 to UTF-16 LE with its mark, written out plainly once more.
std::string asUtf16(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    const auto put = [&](uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (size_t i = 0; i < utf8.size();) {
        const auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(utf8[i + k])); };
        uint32_t c;
        if (b(0) < 0x80)
            c = b(0), i += 1;
        else if (b(0) < 0xE0)
            c = (b(0) & 0x1F) << 6 | (b(1) & 0x3F), i += 2;
        else if (b(0) < 0xF0)
            c = (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F), i += 3;
        else
            c = (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F), i += 4;
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

struct Saved {
    const char* encoding;
    std::function<std::string(const std::string&)> bytes;  // the file's bytes for its text
    KeywordSet keywords;                                   // as the file holds them, as the engine gets them
    std::string bomFileName;                               // as the system's file functions take it
    std::string bomFileNameText;                           // as the file holds it
};

KeywordSet keywordsOf(const char* contains, const char* subAssembly, const char* part) {
    KeywordSet k;
    k.contains = contains;
    k.SubAssembly = subAssembly;
    k.Part = part;
    return k;
}

// A Unicode file holds a file name in UTF-8; on Windows the program takes it in the ANSI code
// page (the tests run with code page 1252).
#ifdef _WIN32
const std::string kName = "C:\\M\xFCller\\top.bom", kNameAsUtf8 = "C:\\M\xC3\xBCller\\top.bom";
#else
const std::string kName = "/home/m\xC3\xBCller/top.bom", kNameAsUtf8 = kName;
#endif

std::vector<Saved> savedFiles() {
    const auto same = [](const std::string& text) { return text; };
    const KeywordSet russian = keywordsOf("\xD1\x81\xD0\xBE\xD0\xB4\xD0\xB5\xD1\x80\xD0\xB6\xD0\xB8\xD1\x82:",
                                          "\xD0\x9F\xD0\xBE\xD0\xB4\xD1\x81\xD0\xB1\xD0\xBE\xD1\x80\xD0\xBA\xD0\xB0",
                                          "\xD0\x94\xD0\xB5\xD1\x82\xD0\xB0\xD0\xBB\xD1\x8C");
    const KeywordSet japanese =
        keywordsOf("\xE3\x82\x92\xE5\x90\xAB\xE3\x82\x80:", "\xE3\x82\xB5\xE3\x83\x96\xF0\x9F\x94\xA9",
                   "\xE9\x83\xA8\xE5\x93\x81");
    return {
        {"ANSI", same, keywordsOf("enth\xE4lt:", "Unterbaugruppe", "Teil"), kName, kName},
        {"UTF-8", same, russian, kName, kName},
        {"UTF-8 with its mark", [](const std::string& t) { return "\xEF\xBB\xBF" + t; }, russian, kName, kNameAsUtf8},
        {"UTF-16 LE", asUtf16, japanese, kName, kNameAsUtf8},
    };
}

std::string userFile(const KeywordSet& k) {
    // No SummaryOfParts: the close adds it with its default.
    return "; my keywords\r\n[Keywords]\r\ncontains=" + k.contains + "\r\nSubAssembly=" + k.SubAssembly +
           "\r\nPart=" + k.Part + "\r\n\r\n[Settings]\r\nBOM_filename=old.bom\r\nX_MainForm= 5\r\n";
}

TEST(SettingsEncodings, LoadRunAndCloseKeepTheKeywordsAndTheEncoding) {
    for (const Saved& s : savedFiles()) {
        SCOPED_TRACE(s.encoding);
        TempFolder folder;
        const std::string file = folder.write("Trelk.ini", s.bytes(userFile(s.keywords)));

        const StoredSettings loaded = loadSettings(file);
        EXPECT_EQ(loaded.keywords.contains, s.keywords.contains);
        EXPECT_EQ(loaded.keywords.SubAssembly, s.keywords.SubAssembly);
        EXPECT_EQ(loaded.keywords.Part, s.keywords.Part);
        EXPECT_EQ(loaded.keywords.SummaryOfParts, "Summary of parts for assembly");
        EXPECT_EQ(loaded.x, 5);
        for (const char* key : {"contains", "SubAssembly", "Part"})
            EXPECT_EQ(iniKeyExists(file, "Keywords", key), 1) << key;
        EXPECT_EQ(iniKeyExists(file, "Keywords", "SummaryOfParts"), 0);

        // An export in the same language (UTF-8 for the Unicode files) is understood.
        const KeywordSet& k = loaded.keywords;
        RunRequest request;
        request.bomFileName =
            folder.write("top.bom", "TOP " + k.contains + "\r\n   2      " + k.Part + "  BOLT\r\n" + "   1      " +
                                        k.SubAssembly + "  FRAME\r\n\r\n" + k.SubAssembly + " FRAME " + k.contains +
                                        "\r\n" + "   3      " + k.Part + "  BOLT\r\n");
        request.keywords = k;
        request.sections.Include_SummaryOfParts = true;
        request.applicationFolder = folder.path();
        testing::RecordingHost host;
        runProcessing(request, host);
        ASSERT_EQ(host.opened.size(), 1u);
        EXPECT_NE(testing::readFile(host.opened[0]).find("    5   BOLT\r\n"), std::string::npos);

        SettingsToSave save;
        save.bomFileName = s.bomFileName;
        save.sections = SectionSelection::all();
        save.x = 10, save.y = 20, save.width = 700, save.height = 500;
        saveSettings(file, save);
        const std::string expected =
            "; my keywords\r\n[Keywords]\r\ncontains=" + s.keywords.contains +
            "\r\nSubAssembly=" + s.keywords.SubAssembly + "\r\nPart=" + s.keywords.Part +
            "\r\nSummaryOfParts=Summary of parts for assembly\r\n\r\n[Settings]\r\n" +
            "BOM_filename=" + s.bomFileNameText + "\r\nX_MainForm= 10\r\nInclude_BOMAssyBreakdown= 1\r\n" +
            "Include_SummaryOfAssys= 1\r\nInclude_SummaryOfParts= 1\r\nInclude_AssyInAssys= 1\r\n" +
            "Include_PartsInAssys= 1\r\nWidth_MainForm= 700\r\nHeight_MainForm= 500\r\nY_MainForm= 20\r\n" +
            "[Columns]\r\nQuantity= 1\r\nType= 2\r\nName=-1\r\n";
        EXPECT_EQ(testing::readFile(file), s.bytes(expected));
        const StoredSettings back = loadSettings(file);
        EXPECT_EQ(back.keywords.contains, s.keywords.contains);
        EXPECT_EQ(back.bomFileName, s.bomFileName);
        // A second close with the same values changes nothing.
        saveSettings(file, save);
        EXPECT_EQ(testing::readFile(file), s.bytes(expected));
    }
}

TEST(SettingsEncodings, ByteOrderMarksAloneAndOddBytes) {
    TempFolder folder;
    const struct {
        const char* what;
        std::string before, after;  // before and after iniWrite("S", "k", "v")
    } cases[] = {
        {"a mark alone", "\xEF\xBB\xBF", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        {"a UTF-16 mark alone", "\xFF\xFE", asUtf16("[S]\r\nk=v\r\n")},
        {"a UTF-16 file of odd length", asUtf16("[S]\r\nk=1\r\n") + '\0', asUtf16("[S]\r\nk=v\r\n") + '\0'},
        {"a lone surrogate", asUtf16("[S]\r\nk=1\r\n[T]\r\n") + std::string("\x00\xD8", 2),
         asUtf16("[S]\r\nk=v\r\n[T]\r\n") + std::string("\x00\xD8", 2)},
        {"UTF-8 without a mark", "[S]\r\nk=\xE2\x82\xAC\r\n", "[S]\r\nk=v\r\n"},
    };
    for (const auto& c : cases) {
        const std::string file = folder.write("Trelk.ini", c.before);
        EXPECT_TRUE(iniWrite(file, "S", "k", "v")) << c.what;
        EXPECT_EQ(testing::readFile(file), c.after) << c.what;
        EXPECT_EQ(iniRead(file, "S", "k", ""), "v") << c.what;
    }
    // A value that is no UTF-8 has no place in a UTF-16 file: the file stays as it was.
    const std::string file = folder.write("Trelk.ini", asUtf16("[S]\r\nk=1\r\n"));
    EXPECT_FALSE(iniWrite(file, "S", "k", "\xFF"));
    EXPECT_EQ(testing::readFile(file), asUtf16("[S]\r\nk=1\r\n"));
}

#ifdef _WIN32
// Another program has Trelk.ini open at the close. The file is read with every kind of sharing;
// what cannot be read, or not replaced, is left as it was: never a default over a keyword.
TEST(SettingsEncodings, AFileHeldByAnotherProgramAtTheClose) {
    const std::string earlier = asUtf16("[Keywords]\r\ncontains=mine:\r\n[Settings]\r\nBOM_filename=old.bom\r\n");
    // Whether a file open with every kind of sharing can be replaced depends on the system: Wine
    // refuses, as older Windows does; Windows 10 and later rename over it. Either way the file is
    // whole: the earlier one, or the new one with the user's keyword.
    const struct {
        const char* what;
        DWORD access, sharing;
        bool mayBeWritten;
    } cases[] = {
        {"held without sharing", GENERIC_READ, 0, false},
        {"read by an editor", GENERIC_READ, FILE_SHARE_READ, false},  // readable, but it cannot be replaced
        {"looked at by an indexer", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string file = folder.write("Trelk.ini", earlier);
        HANDLE other =
            CreateFileA(file.c_str(), c.access, c.sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE) << c.what;
        EXPECT_EQ(loadSettings(file).keywords.contains, c.sharing ? "mine:" : "contains:") << c.what;
        SettingsToSave save;
        save.bomFileName = "new.bom";
        saveSettings(file, save);
        CloseHandle(other);
        const StoredSettings after = loadSettings(file);
        EXPECT_EQ(after.keywords.contains, "mine:") << c.what;
        if (!c.mayBeWritten || after.bomFileName == "old.bom")
            EXPECT_EQ(testing::readFile(file), earlier) << c.what;
        else
            EXPECT_EQ(after.bomFileName, "new.bom") << c.what;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder.path() + "\\tlk*").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << c.what << ": a temporary file was left behind";
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
}
#endif

}  // namespace
}  // namespace trelk

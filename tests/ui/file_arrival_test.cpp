// A BOM file reaching the box without the dialog: dropped on the main window, or named on the
// program's command line.
#include <shlobj.h>

#include <cstring>

#include "forms/window_helpers.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

std::string currentDirectory() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string path = folder;
    if (path.back() != '\\') path += '\\';
    return path;
}

// A drop as the shell hands it over: a DROPFILES header, then the names, each ended by a nul,
// and one more nul; in wide characters as the explorer sends them, or in ANSI.
HDROP makeDrop(const std::vector<std::string>& names, bool wide) {
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    list += '\0';
    const size_t charSize = wide ? sizeof(wchar_t) : 1;
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * charSize);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = wide;
    char* names0 = reinterpret_cast<char*>(header + 1);
    if (wide)
        MultiByteToWideChar(CP_ACP, 0, list.data(), static_cast<int>(list.size()), reinterpret_cast<wchar_t*>(names0),
                            static_cast<int>(list.size()));
    else
        std::memcpy(names0, list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(MainWindowTest, ADroppedFileGoesIntoTheBoxAndNothingRuns) {
    openMainWindow();
    EXPECT_TRUE(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const struct {
        std::vector<std::string> names;
        bool wide;
        std::string box;
    } cases[] = {
        {{"C:\\data\\gear box.bom.2"}, true, "C:\\data\\gear box.bom.2"},
        {{"C:\\data\\top.bom.1"}, false, "C:\\data\\top.bom.1"},
        {{"C:\\first.bom", "C:\\second.bom", "C:\\third.bom"}, true, "C:\\first.bom"},
        {{"relative.bom"}, false, currentDirectory() + "relative.bom"},
        {{"C:\\data\\old\\..\\top.bom.4"}, true, "C:\\data\\top.bom.4"},
    };
    for (const auto& c : cases) {
        PostMessageA(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(c.names, c.wide)), 0);
        ASSERT_TRUE(pumpUntil(waitingMessagesHandled));
        EXPECT_EQ(getControlText(control(MAIN_BOMFILE)), c.box) << c.names.front();
    }
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(openedDocumentsSoFar().empty());
}

TEST(CommandLine, TheFirstArgumentIsTheBomFileWithItsFullPath) {
    const struct {
        const wchar_t* commandLine;
        std::string file;
    } cases[] = {
        {L"Trelk.exe", ""},
        {L"\"C:\\Program Files\\Trelk\\Trelk.exe\"", ""},
        {L"\"C:\\Program Files\\Trelk\\Trelk.exe\" \"C:\\my data\\top.bom.3\"", "C:\\my data\\top.bom.3"},
        {L"Trelk.exe C:\\a.bom C:\\b.bom", "C:\\a.bom"},
        {L"Trelk.exe \"\" C:\\b.bom", ""},
        {L"Trelk.exe relative.bom", currentDirectory() + "relative.bom"},
        {L"Trelk.exe C:\\data\\..\\x.bom", "C:\\x.bom"},
        {L"Trelk.exe  \t \"D:\\gear box.bom.1\"other", "D:\\gear box.bom.1other"},
    };
    for (const auto& c : cases) EXPECT_EQ(bomFileFromCommandLine(c.commandLine), c.file) << "case " << &c - cases;
}

}  // namespace
}  // namespace trelk::ui::testing

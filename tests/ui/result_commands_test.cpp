// The results beyond the report as a user reaches them: the system menu's commands by the keys
// pressed (Alt+Space, the letter), and two files dropped on the window. What they write is what
// trelk-cli writes for the same files and options, byte for byte.
#include <objbase.h>
#include <shlobj.h>

#include <functional>

#include "forms/window_helpers.h"
#include "support/temp_folder.h"
#include "ui/file_and_help.h"
#include "ui/log_box.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

using trelk::testing::readFile;
using trelk::testing::TempFolder;
using Lines = std::vector<std::string>;
using Steps = std::vector<ModalStep>;

const std::string kExamples = nativePath(TRELK_TEST_DATA "/../../examples");
const std::string kGearbox = readFile(kExamples + "\\gearbox.bom.1");
const std::string kGearboxRevB = readFile(kExamples + "\\gearbox-rev-b.bom.1");

Steps operator+(Steps first, const Steps& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// The main window run modally, as start-up does, with the steps inside its loop; closed after them.
void runMainWindowWith(Steps steps) {
    steps.push_back([] {
        if (mainForm()) SendMessageA(mainForm(), WM_CLOSE, 0, 0);
    });
    whileModal(std::move(steps), [] { return showMainForm(nullptr, 1, 0); });
    // The quit message the closed window posted would end the next window's loop at once.
    EXPECT_TRUE(pumpUntil(waitingMessagesHandled));
}

void tap(WORD key) {
    keybd_event(static_cast<BYTE>(key), 0, 0, 0);
    keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
}

void pressWithAlt(WORD key) {
    SetForegroundWindow(mainForm());
    keybd_event(VK_MENU, 0, 0, 0);
    tap(key);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
}

bool systemMenuOpen() { return IsWindowVisible(FindWindowA("#32768", nullptr)) != 0; }

// Alt+Space, then the command's letter once the menu is open; done once the menu has closed.
Steps fromSystemMenu(char letter) {
    return {[] { pressWithAlt(VK_SPACE); },
            {systemMenuOpen, [letter] { tap(static_cast<WORD>(letter)); }},
            {[] { return !systemMenuOpen(); }, [] {}}};
}

HWND earlierFileDialog() { return FindWindowA("#32770", "Select the earlier Pro/E BOM file"); }

// "Compare with an earlier export...": the earlier file typed into the dialog, and Enter.
Steps compareWith(const std::string& earlier) {
    return fromSystemMenu('E') + Steps{{[] { return IsWindowVisible(earlierFileDialog()) != 0; },
                                        [earlier] {
                                            const HWND dialog = earlierFileDialog();
                                            const HWND name = GetDlgItem(dialog, 0x47C);
                                            SetWindowTextA(name ? name : GetDlgItem(dialog, 0x480), earlier.c_str());
                                            tap(VK_RETURN);
                                        }}};
}

// Waits for the document the step before had opened, and keeps its name.
ModalStep takeOpened(Lines& opened) {
    return {documentOpened, [&opened] {
                for (const std::string& document : openedDocumentsSoFar()) opened.push_back(document);
            }};
}

// trelk-cli run to its end with the arguments: its exit code.
DWORD runCli(const Lines& arguments) {
    std::string command = "\"" + nativePath(TRELK_CLI_EXE) + "\" -q";
    for (const std::string& argument : arguments) command += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << command;
        return 99;
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kHangBound), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return exitCode;
}

const char* const kCsvFiles[] = {"tree.csv", "assemblies.csv", "parts.csv", "assemblies-where-used.csv",
                                 "parts-where-used.csv"};
const char* const kResultFiles[] = {"Trelk.txt", "Trelk.html", "Trelk-compare.txt", "Trelk-compare.html"};

void removeResults() {
    for (const char* file : kCsvFiles) DeleteFileA((appFolder() + "\\" + file).c_str());
    for (const char* file : kResultFiles) DeleteFileA((appFolder() + "\\" + file).c_str());
}

TEST_F(MainWindowTest, TheSystemMenuWritesThePageTheComparisonAndTheTablesAsTheConsoleDoes) {
    removeResults();
    TempFolder folder;
    const std::string earlier = folder.write("gearbox.bom.3", kGearbox);
    const std::string later = folder.write("gearbox.bom.4", kGearboxRevB);
    const std::string app = appFolder();
    Lines opened;
    std::wstring log;
    runMainWindowWith(Steps{[&] {
                          setControlText(mainControl(MAIN_BOMFILE), later.c_str());
                          setCheckState(mainControl(MAIN_BREAKDOWN), 1);  // all five sections
                      }} +
                      fromSystemMenu('W') + Steps{[] { pressWithAlt('D'); }, takeOpened(opened)} +
                      compareWith(earlier) + Steps{takeOpened(opened)} + fromSystemMenu('T') +
                      Steps{takeOpened(opened)} + fromSystemMenu('F') +
                      Steps{takeOpened(opened), [&] { log = logBoxText(mainControl(MAIN_LOG)); }});
    EXPECT_EQ(opened, (Lines{app + "\\Trelk.html", app + "\\Trelk-compare.html", app, app}));
    EXPECT_NE(log.find(L"\r\nBOM files differ: 5 changed blocks, 15 changed totals\r\n"), std::wstring::npos);

    const std::string none = folder.write("none.ini", "");
    const std::string cli = folder.file("cli");
    const struct {
        Lines arguments;  // besides the sections, the settings and the later file
        Lines written;    // by the window, then by trelk-cli
    } runs[] = {
        {{"-o", cli + ".txt"}, {app + "\\Trelk.txt", cli + ".txt"}},
        {{"-f", "html", "-o", cli + ".html"}, {app + "\\Trelk.html", cli + ".html"}},
        {{"--compare", earlier, "-o", cli + "-compare.txt"}, {app + "\\Trelk-compare.txt", cli + "-compare.txt"}},
        {{"--compare", earlier, "-f", "html", "-o", cli + "-compare.html"},
         {app + "\\Trelk-compare.html", cli + "-compare.html"}},
        {{"-f", "csv", "-o", cli}, {}},
    };
    for (const auto& run : runs) {
        Lines arguments = run.arguments;
        arguments.insert(arguments.end(), {"-s", "all", "--settings", none, later});
        EXPECT_LE(runCli(arguments), 1u) << arguments.front();
        Lines written = run.written;
        if (written.empty())
            for (const char* csv : kCsvFiles) written.insert(written.end(), {app + "\\" + csv, cli + "\\" + csv});
        for (size_t i = 0; i < written.size(); i += 2) {
            EXPECT_FALSE(readFile(written[i]).empty()) << written[i];
            EXPECT_EQ(readFile(written[i]), readFile(written[i + 1])) << written[i];
        }
    }
    removeResults();
}

bool webPageTicked() {
    return (GetMenuState(GetSystemMenu(mainForm(), FALSE), MAIN_SYSMENU_WEBPAGE, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The item keeps its tick from one start to the next; Trelk.ini gets its key only once the user
// ticked or cleared it, and an existing file keeps its bytes otherwise.
TEST_F(MainWindowTest, TheWebPageChoiceSurvivesARestartAndIsStoredOnlyOnceMade) {
    Lines items;
    // One start of the window: whether the item was ticked, and the keys pressed on it.
    const auto session = [&](bool press) {
        bool ticked = false;
        runMainWindowWith(Steps{[&] {
                              ticked = webPageTicked();
                              const HMENU menu = GetSystemMenu(mainForm(), FALSE);
                              items.clear();
                              for (int i = GetMenuItemCount(menu) - 5; i < GetMenuItemCount(menu); ++i) {
                                  char text[64] = {};
                                  GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                                  items.push_back(text);
                              }
                          }} +
                          (press ? fromSystemMenu('W') : Steps{}));
        return ticked;
    };
    EXPECT_FALSE(session(false));
    EXPECT_EQ(items, (Lines{"", "Show results as a &web page", "Compare with an &earlier export...",
                            "Write &tables for a spreadsheet", "Open the results &folder"}));
    const std::string first = readFile(settingsFile());
    const struct {
        bool press, tickedAtStart;
        std::string stored;  // after the close, following the first file
    } sessions[] = {
        {false, false, ""},
        {true, false, "[Results]\r\nShow_WebPage= 1\r\n"},
        {false, true, "[Results]\r\nShow_WebPage= 1\r\n"},
        {true, true, "[Results]\r\nShow_WebPage= 0\r\n"},
        {false, false, "[Results]\r\nShow_WebPage= 0\r\n"},
    };
    for (const auto& s : sessions) {
        EXPECT_EQ(session(s.press), s.tickedAtStart) << &s - sessions;
        EXPECT_EQ(readFile(settingsFile()), first + s.stored) << &s - sessions;
    }
}

HWND errorBox() { return FindWindowA("#32770", "Trelk"); }

// The static text of a message box.
std::string messageOf(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (getControlText(child).find("BOM") != std::string::npos) return getControlText(child);
    return {};
}

// A drop of the files, handed over as the shell hands it: its own data object's CF_HDROP.
void dropFiles(HWND window, const std::string& folder, const std::vector<std::wstring>& names) {
    IShellFolder* desktop = nullptr;
    IShellFolder* parent = nullptr;
    LPITEMIDLIST folderItem = nullptr;
    std::vector<LPITEMIDLIST> items(names.size(), nullptr);
    IDataObject* data = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    std::wstring path(folder.begin(), folder.end());  // the temporary folder is ASCII
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, path.data(), nullptr, &folderItem, nullptr), S_OK);
    ASSERT_EQ(desktop->BindToObject(folderItem, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent)), S_OK);
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring name = names[i];
        ASSERT_EQ(parent->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &items[i], nullptr), S_OK);
    }
    ASSERT_EQ(parent->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), const_cast<LPCITEMIDLIST*>(items.data()),
                                    IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)),
              S_OK);
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(medium.hGlobal), 0);  // the window releases it
    data->Release();
    for (LPITEMIDLIST item : items) CoTaskMemFree(item);
    CoTaskMemFree(folderItem);
    parent->Release();
    desktop->Release();
}

// What "&Do it!" says of an empty or missing name, each command says too; and none starts while a
// run shows its error box: not another command, nor a drop of two files.
TEST_F(MainWindowTest, EveryCommandGivesDoItsMessagesAndNoneStartsInsideARun) {
    TempFolder folder;
    const std::string earlier = folder.write("earlier.bom.6", kGearbox);
    folder.write("other.bom.7", kGearbox);
    const std::string missing = folder.file("missing.bom.7");
    const struct {
        const char* what;
        std::function<Steps(const std::string& box)> command;
        Lines logBeforeDoIts;
    } commands[] = {
        {"Do it!", [](const std::string&) { return Steps{[] { pressWithAlt('D'); }}; }, {}},
        {"the comparison",
         [&](const std::string& box) { return box.empty() ? fromSystemMenu('E') : compareWith(earlier); },
         {"Trying to read BOM file:", earlier, "Nr of lines read of BOM input file: 127",
          "Main assembly name: GEARBOX_ASM"}},
        {"the tables", [](const std::string&) { return fromSystemMenu('T'); }, {}},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.what);
        std::string message;
        size_t dialogs = 0;
        Lines logInsideTheRun;
        // The box as the last close left it is emptied: an empty name is what each command meets.
        runMainWindowWith(
            Steps{[] { setControlText(mainControl(MAIN_BOMFILE), ""); }} + c.command("") +
            Steps{{[] { return IsWindowVisible(errorBox()) != 0; },
                   [&] {
                       message = messageOf(errorBox());
                       const HWND main = mainForm();
                       for (const int id : {MAIN_SYSMENU_COMPARE, MAIN_SYSMENU_SPREADSHEET, MAIN_SYSMENU_FOLDER})
                           PostMessageA(main, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
                       PostMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_DOIT, BN_CLICKED), 0);
                       dropFiles(main, folder.path(), {L"earlier.bom.6", L"other.bom.7"});
                   }},
                  [&] {
                      for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w;
                           w = FindWindowExA(nullptr, w, "#32770", nullptr))
                          dialogs += IsWindowVisible(w) ? 1 : 0;
                      logInsideTheRun = logLines();
                      PostMessageA(errorBox(), WM_COMMAND, IDOK, 0);
                  }});
        EXPECT_EQ(message, "No BOM file specified as input!");
        EXPECT_EQ(dialogs, 1u);  // the error box alone
        EXPECT_TRUE(logInsideTheRun.empty());
        EXPECT_TRUE(openedDocumentsSoFar().empty());

        Lines log;
        runMainWindowWith(Steps{[&] { setControlText(mainControl(MAIN_BOMFILE), missing.c_str()); }} +
                          c.command(missing) + Steps{[&] { log = logLines(); }});
        Lines expected = c.logBeforeDoIts;
        expected.insert(expected.end(), {"Trying to read BOM file:", missing, "BOM input file not found!"});
        EXPECT_EQ(log, expected);
    }
}

// Two files dropped are compared as the menu command compares them: the earlier one by its lower
// export number, else as the older file, else as the first one dropped; the log says which.
TEST_F(MainWindowTest, TwoFilesDroppedAreComparedTheEarlierOneFirst) {
    removeResults();
    TempFolder folder;
    const FILETIME older = {0x10000000, 0x01D00000}, newer = {0x10000000, 0x01D90000};
    const auto write = [&](const std::string& name, const std::string& bytes, const FILETIME& written) {
        const std::string path = folder.write(name, bytes);
        const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
    };
    write("top.bom.3", kGearbox, newer);
    write("top.bom.4", kGearboxRevB, older);
    write("new.bom.1", kGearboxRevB, newer);
    write("old.bom.1", kGearbox, older);
    write("same.bom", kGearbox, older);
    write("also.bom", kGearboxRevB, older);
    const struct {
        std::vector<std::wstring> dropped;
        std::string earlier, later, taken;
    } cases[] = {
        {{L"top.bom.4", L"top.bom.3"}, "top.bom.3", "top.bom.4", "Earlier BOM file (lower export number):"},
        {{L"top.bom.3", L"top.bom.4"}, "top.bom.3", "top.bom.4", "Earlier BOM file (lower export number):"},
        {{L"new.bom.1", L"old.bom.1"}, "old.bom.1", "new.bom.1", "Earlier BOM file (older file):"},
        {{L"same.bom", L"also.bom"}, "same.bom", "also.bom", "Earlier BOM file (given first):"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.earlier);
        const std::string earlier = folder.file(c.earlier), later = folder.file(c.later);
        Lines log, opened;
        std::string box;
        runMainWindowWith(Steps{[&] { dropFiles(mainForm(), folder.path(), c.dropped); }, takeOpened(opened),
                                [&] {
                                    log = logLines();
                                    box = getControlText(mainControl(MAIN_BOMFILE));
                                }});
        ASSERT_GE(log.size(), 6u);
        EXPECT_EQ(Lines(log.begin(), log.begin() + 6),
                  (Lines{c.taken, earlier, "Later BOM file:", later, "Trying to read BOM file:", earlier}));
        EXPECT_EQ(box, later);
        EXPECT_EQ(opened, Lines{appFolder() + "\\Trelk-compare.html"});
        EXPECT_EQ(runCli({"--compare", earlier, "-f", "html", "-o", folder.file("cli.html"), later}), 1u);
        EXPECT_EQ(readFile(appFolder() + "\\Trelk-compare.html"), readFile(folder.file("cli.html")));
    }
    removeResults();
}

TEST(ExportOrder, TheLowerExportNumberElseTheOlderFileElseTheFirstGiven) {
    const struct {
        std::wstring path;
        std::optional<uint64_t> number;
    } numbers[] = {
        {L"C:\\data\\top.bom.3", 3},
        {L"top.BOM.12", 12},
        {L"top.bom.007", 7},
        {L"top.bom.", std::nullopt},
        {L"top.bom.3a", std::nullopt},
        {L"top.bom3", std::nullopt},
        {L"C:\\data\\.bom.3", std::nullopt},
        {L"top.bom.99999999999999999999", std::nullopt},
        {L"a.bom.18446744073709551609", 18446744073709551609u},
        {L"3", std::nullopt},
    };
    for (const auto& n : numbers) EXPECT_EQ(exportNumberOf(n.path), n.number) << &n - numbers;

    using By = ExportOrder::By;
    const struct {
        ExportFacts first, second;
        size_t earlier;
        By by;
    } orders[] = {
        {{L"x.bom.4", 1}, {L"x.bom.3", 2}, 1, By::ExportNumber},
        {{L"x.bom.9", 2}, {L"y.bom.10", 1}, 0, By::ExportNumber},
        {{L"x.bom.3", 2}, {L"y.bom.3", 1}, 1, By::FileTime},
        {{L"x.bom", 1}, {L"x.bom.2", 2}, 0, By::FileTime},
        {{L"x.bom.2", 5}, {L"y.bom", 5}, 0, By::OrderGiven},
        {{L"x.bom", std::nullopt}, {L"y.bom", 1}, 0, By::OrderGiven},
    };
    for (const auto& o : orders) {
        const ExportOrder order = orderOfExports(o.first, o.second);
        EXPECT_EQ(order.earlier, o.earlier) << &o - orders;
        EXPECT_EQ(order.by, o.by) << &o - orders;
    }
}

// Names in any script read right in the log box whatever the system's code page: the German and
// the Chinese shipped examples, in files named with an umlaut and in Chinese. A file the code page
// cannot name (Chinese in Windows-1252) is logged as such, and the box keeps its name.
TEST_F(MainWindowTest, NamesInAnyScriptReadRightInTheLogBox) {
    TempFolder folder;
    const std::wstring examples(kExamples.begin(), kExamples.end()), here(folder.path().begin(), folder.path().end());
    const std::wstring german = L"Stehleuchte-Gr\u00F6\u00DFe.bom.1", chinese = L"\u53F0\u706F.bom.1";
    CopyFileW((examples + L"\\localised\\stehleuchte.bom.1").c_str(), (here + L"\\" + german).c_str(), FALSE);
    CopyFileW((examples + L"\\localised\\taideng.bom.1").c_str(), (here + L"\\" + chinese).c_str(), FALSE);
    ASSERT_TRUE(arrivedFile(here + L"\\" + german).nameable()) << "a code page without German letters";
    const bool chineseNameable = arrivedFile(here + L"\\" + chinese).nameable();
    const std::string taideng = kExamples + "\\localised\\taideng.bom.1";

    std::wstring log;
    std::string box;
    Lines opened;
    runMainWindowWith(Steps{[&] { dropFiles(mainForm(), folder.path(), {german}); }, [] { pressWithAlt('D'); },
                            takeOpened(opened), [&] { setControlText(mainControl(MAIN_BOMFILE), taideng.c_str()); },
                            [] { pressWithAlt('D'); }, takeOpened(opened),
                            [&] { dropFiles(mainForm(), folder.path(), {chinese}); },
                            [&] {
                                log = L"\r\n" + logBoxText(mainControl(MAIN_LOG));  // every line after a line end
                                box = getControlText(mainControl(MAIN_BOMFILE));
                            }});
    for (const std::wstring& line : {
             L"Trying to read BOM file:\r\n" + here + L"\\" + german,
             std::wstring(L"Keywords recognised in the BOM file: contains \"enth\u00E4lt:\", SubAssembly "
                          L"\"Unterbaugruppe\", Part \"Teil\", SummaryOfParts \"Zusammenfassung der Teile der "
                          L"Baugruppe\""),
             std::wstring(L"Keywords recognised in the BOM file: contains \"\u5305\u542B:\", SubAssembly "
                          L"\"\u5B50\u88C5\u914D\", Part \"\u96F6\u4EF6\", SummaryOfParts "
                          L"\"\u7684\u96F6\u4EF6\u6C47\u603B:\""),
             std::wstring(L"Main assembly name: \u53F0\u706F"),
         })
        EXPECT_NE(log.find(L"\r\n" + line + L"\r\n"), std::wstring::npos) << std::string(line.begin(), line.end());
    EXPECT_EQ(opened, Lines(2, appFolder() + "\\Trelk.txt"));
    if (!chineseNameable) {
        EXPECT_NE(log.find(L"\r\nBOM file name outside the system's code page; rename the file to read it:\r\n" + here +
                           L"\\" + chinese + L"\r\n"),
                  std::wstring::npos);
        EXPECT_EQ(box, taideng);
    }
}

}  // namespace
}  // namespace trelk::ui::testing

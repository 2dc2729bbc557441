// Trelk.exe as a process of its own: it starts with the file of its first argument, saves at
// close, exits 0.
#include "forms/window_helpers.h"
#include "support/other_windows.h"
#include "support/temp_folder.h"
#include "ui/about_form.h"
#include "ui/app_info.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

using trelk::testing::waitForWindow;
using trelk::testing::windowText;

// Trelk.exe started in `folder` with `arguments`: the BOM file box once the window is shown, the
// log after "&Do it!" when `run` is set, the stored name after the close and the exit code.
struct Start {
    std::string box, log, stored;
    DWORD exitCode = 99;
};

Start startProgram(const std::string& arguments, const std::string& folder, bool run) {
    Start start;
    std::string command = "\"" + nativePath(TRELK_EXE) + "\"" + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << command;
        return start;
    }
    const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId);
    EXPECT_TRUE(main) << command;
    if (main) {
        EXPECT_EQ(getControlText(main), "Trelk");
        start.box = windowText(GetDlgItem(main, MAIN_BOMFILE));
        if (run) {
            PostMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_DOIT, BN_CLICKED), 0);
            EXPECT_TRUE(pumpUntil([&] {  // the run here ends at a problem, logged with a "!"
                start.log = windowText(GetDlgItem(main, MAIN_LOG));
                return start.log.find('!') != std::string::npos;
            })) << start.log;
        }
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kHangBound), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &start.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    char stored[1024] = {};
    GetPrivateProfileStringA("Settings", "BOM_filename", "", stored, sizeof stored, settingsFile().c_str());
    start.stored = stored;
    return start;
}

// Only the first argument counts, as the full path of a file, found or not; the stored name is
// replaced by it and saved at close like any name in the box.
TEST(Program, StartsWithTheFileOfItsFirstArgumentAndEndsWithExitCode0) {
    trelk::testing::TempFolder folder;
    const std::string gear = folder.write("gear box.bom.1", "");
    const struct {
        std::string arguments, box;
        bool run;
        const char* log;  // expected in the log after "&Do it!"
    } cases[] = {
        {"", "stored.bom", false, ""},
        {" \"gear box.bom.1\" --sections none other.bom", gear, false, ""},
        {" \"" + gear + "\"", gear, false, ""},
        {" missing.bom.7", folder.file("missing.bom.7"), true, "BOM input file not found!"},
    };
    for (const auto& c : cases) {
        DeleteFileA(settingsFile().c_str());
        WritePrivateProfileStringA("Settings", "BOM_filename", "stored.bom", settingsFile().c_str());
        const Start start = startProgram(c.arguments, folder.path(), c.run);
        EXPECT_EQ(start.box, c.box) << c.arguments;
        EXPECT_EQ(start.stored, c.box) << c.arguments;
        EXPECT_NE(start.log.find(c.log), std::string::npos) << start.log;
        EXPECT_EQ(start.exitCode, 0u) << c.arguments;
    }
    DeleteFileA(settingsFile().c_str());
}

// Two files named, as "Open with" on two selected files or a drop of two files on the program's
// icon names them, are compared as two files dropped on the window: the earlier one first.
TEST(Program, ComparesTheTwoFilesOfItsArguments) {
    DeleteFileA(settingsFile().c_str());
    trelk::testing::TempFolder folder;
    const std::string examples = nativePath(TRELK_TEST_DATA "/../../examples");
    const std::string later =
        folder.write("gear box.bom.4", trelk::testing::readFile(examples + "\\gearbox-rev-b.bom.1"));
    const std::string earlier = folder.write("gear box.bom.3", trelk::testing::readFile(examples + "\\gearbox.bom.1"));
    openedDocumentsSoFar();
    std::string command = "\"" + nativePath(TRELK_EXE) + "\" \"" + later + "\" \"" + earlier + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.path().c_str(),
                               &startup, &process));
    const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId);
    std::string log, box;
    EXPECT_TRUE(pumpUntil([&] {
        log = windowText(GetDlgItem(main, MAIN_LOG));
        return log.find("BOM files differ") != std::string::npos;
    })) << log;
    box = windowText(GetDlgItem(main, MAIN_BOMFILE));
    const std::vector<std::string> opened = openedDocuments();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kHangBound), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileA(settingsFile().c_str());
    EXPECT_EQ(log.rfind("Earlier BOM file (lower export number):\r\n" + earlier + "\r\nLater BOM file:\r\n" + later +
                            "\r\nTrying to read BOM file:\r\n" + earlier + "\r\n",
                        0),
              0u)
        << log;
    EXPECT_EQ(box, later);
    EXPECT_EQ(opened, std::vector<std::string>{appFolder() + "\\Trelk-compare.html"});
    EXPECT_EQ(exitCode, 0u);
}

// The application manifest (resource 1 of type RT_MANIFEST) of a program file, or empty.
std::string manifestOf(const std::string& program) {
    const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return {};
    std::string text;
    if (const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        if (bytes) text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

// A value of the version resource: "FileVersion", or "fixed" for the four numbers of the fixed part.
std::string versionValue(const std::string& program, const std::string& name) {
    std::string block(GetFileVersionInfoSizeA(program.c_str(), nullptr), '\0');
    if (block.empty() || !GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()))
        return {};
    void* value = nullptr;
    UINT size = 0;
    if (name == "fixed") {
        if (!VerQueryValueA(block.data(), "\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) return {};
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
               "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionLS));
    }
    if (!VerQueryValueA(block.data(), ("\\StringFileInfo\\040904E4\\" + name).c_str(), &value, &size)) return {};
    return static_cast<const char*>(value);
}

// Both programs run as the user who starts them, declare Windows 7 to 11, leave the scaling to the
// system and keep the classic common controls; their version is the one the About box shows.
TEST(Program, BothProgramsCarryTheirManifestAndVersion) {
    const std::string aboutLabel = versionLabelText(appInfo().fileVersion);
    for (const char* program : {TRELK_EXE, TRELK_CLI_EXE}) {
        const std::string manifest = manifestOf(nativePath(program));
        for (const char* wanted :
             {"level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
              "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(wanted), std::string::npos) << program << " lacks " << wanted;
        for (const char* unwanted : {"dpiAware", "dpiAwareness", "Common-Controls"})
            EXPECT_EQ(manifest.find(unwanted), std::string::npos) << program << " has " << unwanted;
        EXPECT_EQ(versionValue(nativePath(program), "fixed"), TRELK_VERSION_STRING) << program;
        EXPECT_EQ(versionValue(nativePath(program), "FileVersion"), TRELK_VERSION_STRING) << program;
        EXPECT_EQ(aboutLabel, "V." + versionValue(nativePath(program), "ProductVersion")) << program;
    }
}

// Started from another folder that holds a decoy Trelk.chm, the program opens the help file
// beside its own program file.
TEST(Program, OpensTheHelpBesideItselfWhenStartedElsewhere) {
    DeleteFileA(settingsFile().c_str());
    const std::string exe = nativePath(TRELK_EXE);
    const std::string help = exe.substr(0, exe.find_last_of('\\') + 1) + "Trelk.chm";
    const bool madeHere = !trelk::testing::fileExists(help);
    if (madeHere) CloseHandle(CreateFileA(help.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    trelk::testing::TempFolder elsewhere;
    elsewhere.write("Trelk.chm", "decoy");
    openedDocumentsSoFar();

    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere.path().c_str(),
                               &startup, &process));
    const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId);
    ASSERT_TRUE(main);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_HELP, 0), 0);
    const std::vector<std::string> opened = openedDocuments();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kHangBound), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileA(settingsFile().c_str());
    if (madeHere) DeleteFileA(help.c_str());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(lstrcmpiA(opened[0].c_str(), help.c_str()), 0) << opened[0];
}

TEST(Program, BrowsingStartsInTheBoxsFolder) {
    const struct {
        std::string box, folder;
    } cases[] = {
        {"", ""},        {"C:\\data\\top.bom.3", "C:\\data\\"},   {"D:top.bom", "D:"},
        {"top.bom", ""}, {std::string(300, 'x') + "\\a.bom", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(initialFolderFor(c.box), c.folder) << c.box;
}

}  // namespace
}  // namespace trelk::ui::testing

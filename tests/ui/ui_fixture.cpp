#include "ui_fixture.h"

#include <objbase.h>

#include <fstream>
#include <sstream>

#include "forms/fonts.h"
#include "forms/form.h"
#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "settings/settings_model.h"
#include "support/other_windows.h"
#include "support/temp_folder.h"
#include "ui/main_form.h"
#include "ui/settings_binding.h"

namespace trelk::ui::testing {

namespace {

std::string g_openedLog;

// Opening a report or the help must not start a viewer in the tests: the shell is told to run a
// command that writes the document's path to a log instead.
class RecordingShell : public ::testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        setModuleInstance(GetModuleHandleA(nullptr));
        resetFontCache();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        g_openedLog = std::string(temp) + "trelk-opened-" + std::to_string(GetCurrentProcessId()) + ".log";
        const std::string command = "cmd.exe /c echo %1>>\"" + g_openedLog + "\"";
        for (const char* extension : {".txt", ".chm"}) {
            const std::string type = std::string("TrelkTest") + extension;
            trelk::testing::setClassesValue(extension, type);
            trelk::testing::setClassesValue(type + "\\shell\\open\\command", command);
        }
    }
    void TearDown() override {
        DeleteFileA(g_openedLog.c_str());
        CoUninitialize();
    }
};
::testing::Environment* const kShell = ::testing::AddGlobalTestEnvironment(new RecordingShell);

}  // namespace

namespace {
std::vector<std::function<void()>> g_steps;
size_t g_nextStep = 0;

void CALLBACK runNextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_nextStep >= g_steps.size()) {
        KillTimer(nullptr, timer);
        return;
    }
    g_steps[g_nextStep++]();
}
}  // namespace

INT_PTR whileModal(std::vector<std::function<void()>> steps, const std::function<INT_PTR()>& modalCall,
                   int milliseconds) {
    g_steps = std::move(steps);
    g_nextStep = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), runNextStep);
    const INT_PTR result = modalCall();
    KillTimer(nullptr, timer);
    return result;
}

void pumpMessages(int milliseconds) {
    const DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;  // the main window's end; the tests go on
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() < until);
}

std::string appFolder() {
    const int perUser = 1;
    return ensureAppFolder("Halvorn", "Trelk", perUser, [](const std::string& text) { ADD_FAILURE() << text; });
}

std::string settingsFile() { return settingsFilePathIn(appFolder()); }

std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::istringstream text(getControlText(mainControl(MAIN_LOG)));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string nativePath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::vector<std::string> openedDocuments(int milliseconds) {
    // The shell starts the command and returns at once: wait until it has written a whole line.
    std::string text;
    for (int waited = 0;; waited += 50) {
        text = trelk::testing::readFile(g_openedLog);
        if ((!text.empty() && text.back() == '\n') || waited >= milliseconds) break;
        Sleep(50);
    }
    DeleteFileA(g_openedLog.c_str());
    std::vector<std::string> opened;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.size() > 1 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
        opened.push_back(line);
    }
    return opened;
}

void MainWindowTest::SetUp() {
    DeleteFileA(settingsFile().c_str());
    DeleteFileA((appFolder() + "\\Trelk.txt").c_str());
    openedDocuments(0);
}

void MainWindowTest::TearDown() {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    pumpMessages(10);
    EXPECT_EQ(mainForm(), nullptr);
}

HWND MainWindowTest::openMainWindow() {
    main_ = reinterpret_cast<HWND>(showMainForm(nullptr, 0, 0));
    EXPECT_TRUE(IsWindow(main_));
    pumpMessages();  // the posted size, if any
    return main_;
}

void MainWindowTest::click(int id) {
    SendMessageA(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
}

}  // namespace trelk::ui::testing

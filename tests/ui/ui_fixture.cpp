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

// Opening a report, a page, a folder or the help must not start a viewer in the tests: the shell
// is told to run a command that writes the document's path to a log instead.
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
        for (const char* extension : {".txt", ".chm", ".html"}) {
            const std::string type = std::string("TrelkTest") + extension;
            trelk::testing::setClassesValue(extension, type);
            trelk::testing::setClassesValue(type + "\\shell\\open\\command", command);
        }
        for (const char* folder : {"Folder", "Directory"})
            trelk::testing::setClassesValue(std::string(folder) + "\\shell\\open\\command", command);
    }
    void TearDown() override {
        DeleteFileA(g_openedLog.c_str());
        CoUninitialize();
    }
};
::testing::Environment* const kShell = ::testing::AddGlobalTestEnvironment(new RecordingShell);

}  // namespace

namespace {

std::vector<ModalStep> g_steps;
size_t g_nextStep = 0;
bool g_waiting = false;    // the next step was found not ready...
DWORD g_waitingSince = 0;  // ...first at this time

// Steps can open modal loops of their own (a dialog), from which the timer runs the next steps:
// the step is counted as taken before it runs.
void CALLBACK runNextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_nextStep >= g_steps.size()) {
        KillTimer(nullptr, timer);
        return;
    }
    const ModalStep& step = g_steps[g_nextStep];
    if (!step.ready()) {
        if (!g_waiting) g_waitingSince = GetTickCount();
        g_waiting = true;
        if (GetTickCount() - g_waitingSince < kHangBound) return;
        ADD_FAILURE() << "step " << g_nextStep + 1 << " of the modal loop was never ready";
    }
    g_waiting = false;
    ++g_nextStep;
    step.action();
}

}  // namespace

INT_PTR whileModal(std::vector<ModalStep> steps, const std::function<INT_PTR()>& modalCall) {
    g_steps = std::move(steps);
    g_nextStep = 0;
    g_waiting = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, runNextStep);
    const INT_PTR result = modalCall();
    KillTimer(nullptr, timer);
    return result;
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

namespace {

// The documents in the log, which is then started afresh.
std::vector<std::string> takeOpenedDocuments(const std::string& text) {
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

}  // namespace

std::vector<std::string> openedDocuments() {
    // The shell starts the command and returns at once: wait until it has written a whole line.
    std::string text;
    EXPECT_TRUE(pumpUntil([&] {
        text = trelk::testing::readFile(g_openedLog);
        return !text.empty() && text.back() == '\n';
    })) << "no document opened";
    return takeOpenedDocuments(text);
}

std::vector<std::string> openedDocumentsSoFar() { return takeOpenedDocuments(trelk::testing::readFile(g_openedLog)); }

bool documentOpened() {
    const std::string text = trelk::testing::readFile(g_openedLog);
    return !text.empty() && text.back() == '\n';
}

void MainWindowTest::SetUp() {
    DeleteFileA(settingsFile().c_str());
    DeleteFileA((appFolder() + "\\Trelk.txt").c_str());
    openedDocumentsSoFar();
}

void MainWindowTest::TearDown() {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    EXPECT_TRUE(pumpUntil([] { return mainForm() == nullptr; }));
}

HWND MainWindowTest::openMainWindow() {
    main_ = reinterpret_cast<HWND>(showMainForm(nullptr, 0, 0));
    EXPECT_TRUE(IsWindow(main_));
    EXPECT_TRUE(pumpUntil(waitingMessagesHandled));  // the posted size, if any
    return main_;
}

void MainWindowTest::closeMainWindow() {
    SendMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(pumpUntil([this] { return !IsWindow(main_); }));
}

void MainWindowTest::click(int id) {
    SendMessageA(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
}

}  // namespace trelk::ui::testing

#include "ui/result_commands.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "engine/runs/comparison_run.h"
#include "engine/runs/processing_run.h"
#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "ui/main_form.h"
#include "ui/main_host.h"
#include "ui/settings_binding.h"

namespace trelk::ui {

namespace {

int g_runsGoingOn = 0;
std::vector<ArrivedFile> g_startFiles;  // two files to compare once the window is shown

class RunGoingOn {
public:
    RunGoingOn() { ++g_runsGoingOn; }
    ~RunGoingOn() { --g_runsGoingOn; }
    RunGoingOn(const RunGoingOn&) = delete;
    RunGoingOn& operator=(const RunGoingOn&) = delete;
};

// Asked anew for every run, so that a folder removed meanwhile is made again (and a failure is
// shown before anything of the run).
std::string applicationFolder() { return ensureAppFolder(kAppIdentity, showFolderMessage); }

// A run of the window as it is now: the BOM file box, the check boxes, the loaded keywords,
// columns and BOM format file.
RunRequest requestFromWindow() {
    RunRequest request;
    request.bomFileName = getControlText(mainControl(MAIN_BOMFILE));
    request.sections = sectionsFromCheckBoxes();
    request.keywords = keywords();
    request.columns = columns();
    request.bomFormatFile = bomFormatFile();
    request.applicationFolder = applicationFolder();
    return request;
}

// Where the request's HTML page goes by default, by the path rule of its kind of run.
std::string pagePathOf(RunRequest request, std::string (*pathFor)(const RunRequest&)) {
    request.format = ReportFormat::Html;
    return pathFor(request);
}

// The file in the BOM file box compared with the earlier one: the comparison's report and its page
// in the application folder, the page opened.
void compareWithBox(const std::string& earlierFile) {
    ComparisonRequest request;
    request.oldBomFileName = earlierFile;
    request.run = requestFromWindow();
    request.run.pagePath = pagePathOf(request.run, comparisonPathFor);
    MainWindowHost host(mainForm(), request.run, earlierFile);
    runComparison(request, host);
}

std::optional<uint64_t> lastWritten(const ArrivedFile& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file.characters.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

const wchar_t* earlierFileLine(ExportOrder::By by) {
    switch (by) {
    case ExportOrder::By::ExportNumber: return L"Earlier BOM file (lower export number):";
    case ExportOrder::By::FileTime: return L"Earlier BOM file (older file):";
    case ExportOrder::By::OrderGiven: break;
    }
    return L"Earlier BOM file (given first):";
}

// The engine opens files by their 8-bit names: a file the code page cannot name is not found.
bool nameable(const ArrivedFile& file) {
    if (file.nameable()) return true;
    appendToLog({L"BOM file name outside the system's code page; rename the file to read it:", file.characters});
    return false;
}

void compareArrivedFiles(const ArrivedFile& first, const ArrivedFile& second) {
    if (runGoingOn()) return;
    RunGoingOn run;
    const bool firstNameable = nameable(first);
    if (!nameable(second) || !firstNameable) return;
    const ExportOrder order =
        orderOfExports({first.characters, lastWritten(first)}, {second.characters, lastWritten(second)});
    const ArrivedFile& earlier = order.earlier == 0 ? first : second;
    const ArrivedFile& later = order.earlier == 0 ? second : first;
    appendToLog({earlierFileLine(order.by), earlier.characters, L"Later BOM file:", later.characters});
    setControlText(mainControl(MAIN_BOMFILE), later.name.c_str());
    compareWithBox(earlier.name);
}

bool twoFiles(const std::vector<ArrivedFile>& files) {
    return files.size() == 2 && !files[0].characters.empty() && !files[1].characters.empty();
}

}  // namespace

bool runGoingOn() { return g_runsGoingOn > 0; }

void runProcessingFromWindow() {
    if (runGoingOn()) return;
    RunGoingOn run;
    RunRequest request = requestFromWindow();
    if (showsResultsAsWebPage()) request.pagePath = pagePathOf(request, reportPathFor);
    MainWindowHost host(mainForm(), request);
    runProcessing(request, host);
}

void compareWithEarlierExport() {
    if (runGoingOn()) return;
    RunGoingOn run;
    // Without the later file there is nothing to compare: the comparison run says so at once.
    if (getControlText(mainControl(MAIN_BOMFILE)).empty()) {
        compareWithBox("");
        return;
    }
    if (const std::optional<std::string> earlier = pickBomFile("Select the earlier Pro/E BOM file"))
        compareWithBox(*earlier);
}

void writeSpreadsheetTables() {
    if (runGoingOn()) return;
    RunGoingOn run;
    RunRequest request = requestFromWindow();
    request.format = ReportFormat::Csv;
    MainWindowHost host(mainForm(), request);
    runProcessing(request, host);
}

void openResultsFolder() {
    if (runGoingOn()) return;
    const std::string folder = applicationFolder();
    if (!folder.empty()) ShellExecuteA(mainForm(), "Open", folder.c_str(), "", "", SW_SHOWNORMAL);
}

void receiveFiles(const std::vector<ArrivedFile>& files) {
    if (twoFiles(files)) {
        compareArrivedFiles(files[0], files[1]);
        return;
    }
    if (files.empty() || files[0].characters.empty() || !nameable(files[0])) return;
    setControlText(mainControl(MAIN_BOMFILE), files[0].name.c_str());
}

void receiveStartFiles(const std::vector<ArrivedFile>& files) {
    if (!twoFiles(files)) {
        receiveFiles(files);
        return;
    }
    g_startFiles = files;
    PostMessageA(mainForm(), WMU_COMPARE_START_FILES, 0, 0);
}

void compareStartFiles() {
    const std::vector<ArrivedFile> files = std::move(g_startFiles);
    g_startFiles.clear();
    if (twoFiles(files)) compareArrivedFiles(files[0], files[1]);
}

}  // namespace trelk::ui

#include "ui/result_commands.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "engine/comparison_run.h"
#include "engine/processing_run.h"
#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"
#include "ui/main_host.h"
#include "ui/settings_binding.h"

namespace trelk::ui {

namespace {

int g_runsGoingOn = 0;

class RunGoingOn {
public:
    RunGoingOn() { ++g_runsGoingOn; }
    ~RunGoingOn() { --g_runsGoingOn; }
    RunGoingOn(const RunGoingOn&) = delete;
    RunGoingOn& operator=(const RunGoingOn&) = delete;
};

// Asked anew for every run, so that a folder removed meanwhile is made again (and a failure is
// shown before anything of the run).
std::string applicationFolder() {
    const int perUser = 1;
    return ensureAppFolder("Halvorn", "Trelk", perUser, showFolderMessage);
}

// A run of the window as it is now: the BOM file box, the check boxes, the loaded keywords and
// columns.
RunRequest requestFromWindow() {
    RunRequest request;
    request.bomFileName = getControlText(mainControl(MAIN_BOMFILE));
    request.sections = sectionsFromCheckBoxes();
    request.keywords = keywords();
    request.columns = columns();
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

}  // namespace trelk::ui

// Trelk.exe: start-up and shutdown of the window program. The main window's modal loop is the
// program's message loop; everything runs on this one thread.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <vector>

#include "forms/fonts.h"
#include "forms/form.h"
#include "ui/app_info.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"

namespace {

// The first rich-edit library found decides which class the modal loops treat like an edit box.
void chooseRichEdit() {
    if (LoadLibraryA("RICHED20.Dll"))
        trelk::setRichEditClassName("RICHEDIT20A");
    else if (LoadLibraryA("RICHED32.Dll"))
        trelk::setRichEditClassName("RICHEDIT");
    else
        trelk::setRichEditClassName("");
}

int runProgram(HINSTANCE instance, const std::vector<trelk::ui::ArrivedFile>& startFiles) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, 0x7FFF};  // every class up to ICC_STANDARD_CLASSES
    InitCommonControlsEx(&classes);
    chooseRichEdit();

    trelk::ui::AppInfo& info = trelk::ui::appInfo();
    info.instanceHandle = instance;
    info.fileVersion[0] = TRELK_VERSION_MAJOR;
    info.fileVersion[1] = TRELK_VERSION_MINOR;
    info.fileVersion[2] = TRELK_VERSION_PATCH;
    info.fileVersion[3] = TRELK_VERSION_TWEAK;
    trelk::setModuleInstance(instance);
    trelk::resetFontCache();

    // The result of the loop is not the exit code: modalResult is, and the loop leaves it at 0.
    trelk::ui::showMainForm(nullptr, 1, startFiles.empty() ? 0 : reinterpret_cast<LPARAM>(&startFiles));
    return static_cast<int>(trelk::modalResult());
}

}  // namespace

// The arguments are BOM files ("Open with", files dropped on the program's icon): two are
// compared, else the first goes into the BOM file box. The show command is not used.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitialize(nullptr);  // the shell calls that open documents and addresses need COM
    const int exitCode = runProgram(instance, trelk::ui::filesFromCommandLine(GetCommandLineW()));
    CoUninitialize();
    return exitCode;
}

#include "settings/app_folder.h"

namespace trelk {

namespace {
void dropTrailingSeparators(std::string& name) {
    while (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
}
}  // namespace

std::string folderCreationMessage(const std::string& folder, long code) {
    return "Could not create Folder '" + folder + "' for INI file, Error " + std::to_string(code) + " ";
}

std::string ensureAppFolder(std::string companyName, std::string productName, const int& perUser,
                            const FolderMessageSink& show) {
    dropTrailingSeparators(companyName);
    dropTrailingSeparators(productName);
    std::string relative = companyName + platform::kFolderSeparator + productName;
    if (relative.size() > 63) relative.resize(63);

    const platform::BaseFolder base = platform::applicationDataFolder(perUser != 0);
    std::string folder = base.path + platform::kFolderSeparator + relative;
    if (folder.size() > platform::kMaxPathLength) folder.resize(platform::kMaxPathLength);
    if (base.code != 0 && !platform::kCreatesWithoutBase) {
        // The path would start at the root of the whole file system: said as a folder that
        // cannot be made, and never made.
        show(folderCreationMessage(folder, base.code));
        return folder;
    }
    // Without a base the path starts at the separator; creating it then fails and says so.
    if (base.code != 0) show(platform::baseFolderFailureText(base.code));
    if (const long code = platform::createFolderTree(folder)) show(folderCreationMessage(folder, code));
    return folder;
}

}  // namespace trelk

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

namespace {
// The application folder below the base folder, cut as the platform's paths are.
std::string appFolderBelow(const std::string& base, std::string companyName, std::string productName) {
    dropTrailingSeparators(companyName);
    dropTrailingSeparators(productName);
    std::string relative = companyName + platform::kFolderSeparator + productName;
    if (relative.size() > 63) relative.resize(63);
    std::string folder = base + platform::kFolderSeparator + relative;
    if (folder.size() > platform::kMaxPathLength) folder.resize(platform::kMaxPathLength);
    return folder;
}
}  // namespace

std::string findAppFolder(std::string companyName, std::string productName, const int& perUser) {
    const platform::BaseFolder base = platform::applicationDataFolder(perUser != 0);
    if (base.code != 0) return {};
    return appFolderBelow(base.path, std::move(companyName), std::move(productName));
}

std::string ensureAppFolder(std::string companyName, std::string productName, const int& perUser,
                            const FolderMessageSink& show) {
    const platform::BaseFolder base = platform::applicationDataFolder(perUser != 0);
    const std::string folder = appFolderBelow(base.path, std::move(companyName), std::move(productName));
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

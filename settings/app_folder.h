// The per-user application folder that holds the settings file and the report.
#pragma once

#include <functional>
#include <string>

namespace trelk {

// Shows a folder problem to the user and returns when it has been seen.
using FolderMessageSink = std::function<void(const std::string& text)>;

// Finds the application-data folder (the current user's when perUser is non-zero, else the one
// shared by all users), creates companyName/productName below it with every missing parent, and
// returns that path without a trailing separator. Problems go to `show`; the path is returned in
// every case, so the caller's own file access reports what follows.
std::string ensureAppFolder(std::string companyName, std::string productName, const int& perUser,
                            const FolderMessageSink& show);

// The same path as ensureAppFolder gives, found without creating anything and without messages:
// empty when the base folder cannot be found.
std::string findAppFolder(std::string companyName, std::string productName, const int& perUser);

// Whose application folder it is: the company's and the product's folder below the application-data
// folder, and whether that is the current user's (non-zero) or the one shared by all users.
struct AppIdentity {
    const char* companyName;
    const char* productName;
    int perUser;
};
// Trelk's own, which the window program and trelk-cli share: Halvorn/Trelk, per user.
inline constexpr AppIdentity kAppIdentity = {"Halvorn", "Trelk", 1};

inline std::string ensureAppFolder(const AppIdentity& app, const FolderMessageSink& show) {
    return ensureAppFolder(app.companyName, app.productName, app.perUser, show);
}
inline std::string findAppFolder(const AppIdentity& app) {
    return findAppFolder(app.companyName, app.productName, app.perUser);
}

// "Could not create Folder '<folder>' for INI file, Error <code> "
std::string folderCreationMessage(const std::string& folder, long code);

// What the platform offers for ensureAppFolder (app_folder_posix.cpp, app_folder_win32.cpp).
namespace platform {
struct BaseFolder {
    std::string path;
    long code = 0;  // 0 on success
};
BaseFolder applicationDataFolder(bool perUser);
// Creates the folder and every missing parent: 0 when it exists afterwards, else the error code.
long createFolderTree(const std::string& path);
// Texts of a failed base-folder query.
std::string baseFolderFailureText(long code);
extern const char kFolderSeparator;
// Whether a failed base-folder query still goes on to make the folder below the root (Windows:
// the current drive's root); where the root is the whole file system's, it does not.
extern const bool kCreatesWithoutBase;
extern const size_t kMaxPathLength;
}  // namespace platform

}  // namespace trelk

// What the profile layer asks of the platform: the settings file read and written whole.
#pragma once

#include <functional>
#include <string>

namespace trelk::platform {

enum class SettingsFileState {
    kMissing,     // no entry of that name: a write creates the file
    kRead,        // the bytes are the file's
    kUnreadable,  // there, but not readable now (held by another program, no permission, a
                  // folder or device): nothing may be written over it
};

// Reads the whole file, opened with every kind of sharing, so that another program holding the
// file (an editor, a scanner, a second Trelk) does not make it look missing.
SettingsFileState readSettingsFile(const std::string& file, std::string& bytes);

// Puts the bytes in place of the file in one step, so that a crash or a full disk leaves the
// previous file whole. False when nothing was written.
bool replaceSettingsFile(const std::string& file, const std::string& bytes);

// How the profile layer reaches the file: the platform's reading and replacing unless a stand-in
// is given (the tests count the reads and replaces of a load and a close through one).
struct SettingsFileAccess {
    std::function<SettingsFileState(const std::string& file, std::string& bytes)> read = readSettingsFile;
    std::function<bool(const std::string& file, const std::string& bytes)> replace = replaceSettingsFile;
};

// A file name between the text of a Unicode settings file (UTF-8) and what the system's 8-bit
// file functions take; the same where those take UTF-8.
std::string systemNameFromUtf8(const std::string& text);
std::string utf8FromSystemName(const std::string& name);

}  // namespace trelk::platform

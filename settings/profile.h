// The settings file's profile layer: sectioned "key=value" text. Sections and keys match without
// regard to letter case. The program reads and writes the file itself on every platform (the
// system's profile services on Windows would give a UTF-8 file's keywords in the ANSI code page).
// A file saved in ANSI or UTF-8, with or without a byte-order mark, or in UTF-16 LE with its mark
// is read and written back in that form; the values of a UTF-8 or UTF-16 file are UTF-8.
#pragma once

#include <string>

#include "settings/ini_text.h"
#include "settings/profile_file.h"

namespace trelk {

// The settings file read once. Its reads and edits work on the text in memory, each edit as if the
// file had been read anew, and save() puts the result in place in one step: a crash leaves the
// earlier file or the new one, never a mix of the two.
class ProfileDocument {
public:
    explicit ProfileDocument(std::string file, const platform::SettingsFileAccess& access = {});

    // The file is there but cannot be read at the moment (held by another program without
    // sharing, no permission, not a plain file): its reads give the defaults, and no edit is taken.
    bool unreadable() const { return state_ == platform::SettingsFileState::kUnreadable; }

    // The value of the key (after the first "=", without surrounding blanks and one pair of
    // enclosing quotes), at most 511 characters; the default when the section or the key is
    // missing.
    std::string read(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // The value read as an integer: leading blanks skipped, the number at the start taken, a
    // fraction rounded half to even, 0 when there is none.
    int readInt(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // Whether the section holds a line for the key: exactly the keys read() finds (headers with
    // blanks around them, keys in any letter case, only the first section of a name), so that a
    // value the user wrote is never taken for missing and overwritten by a default.
    bool holds(const std::string& section, const std::string& key) const;

    // Sets the key to the value, exactly as given; the section is added when missing, an existing
    // key keeps its place. False, with the text unchanged, when the file could not be read (its
    // content would be lost), when the section, key or value holds a line end (it would add lines
    // of its own) or when a UTF-16 file cannot hold them (bytes that are no UTF-8).
    bool write(const std::string& section, const std::string& key, const std::string& value);
    // Sets the key only when the section does not hold it yet: a default never replaces what a
    // user wrote.
    bool addKey(const std::string& section, const std::string& key, const std::string& value);

    // A file name as the system's 8-bit file functions take it: on Windows, the value of a UTF-8
    // or UTF-16 file is converted from and to the ANSI code page; elsewhere these are read, write.
    std::string readFileName(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    bool writeFileName(const std::string& section, const std::string& key, const std::string& value);

    // Puts the edited text in place of the file, or nothing when the bytes would be the same.
    // Creates a missing file (its folder must exist). False when the file could not be written;
    // the previous file is then unchanged.
    bool save();

private:
    bool setKey(const std::string& section, const std::string& key, const std::string& value, bool onlyWhenMissing);

    std::string file_;
    platform::SettingsFileAccess access_;
    platform::SettingsFileState state_ = platform::SettingsFileState::kMissing;
    std::string bytes_;  // as the file holds them: as read, then as saved
    ini::FileText text_;
};

// The same on the file, for one key: each call reads the file, and a write replaces it.
std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);
int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue);
// 1 when the section holds a line for the key, else 0.
int iniKeyExists(const std::string& file, const std::string& section, const std::string& key);
bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

}  // namespace trelk

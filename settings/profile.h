// The settings file's profile layer: sectioned "key=value" text. Sections and keys match without
// regard to letter case. On Windows the system's profile services do the reading and writing;
// elsewhere profile_posix.cpp follows the same rules.
#pragma once

#include <string>

namespace trelk {

// The value of the key (after the first "=", without surrounding blanks and one pair of enclosing
// quotes), at most 511 characters; the default when the file, the section or the key is missing.
std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);

// Sets the key to the value, exactly as given. Creates the file (its folder must exist) and the
// section when missing; an existing key keeps its place. Returns false when the file could not be
// written, or when the section, key or value holds a line end (it would add lines of its own);
// the previous file is then unchanged.
bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// 1 when the section holds a line for the key, else 0. The program's own scan of the file (it
// decides which keys are seeded with their defaults). It finds sections and keys as the profile
// read does (headers with blanks around them, keys in any letter case, only the first section of
// a name), so that a value the user wrote is never overwritten by a default.
int iniKeyExists(const std::string& file, const std::string& section, const std::string& key);

// The value read as an integer: leading blanks skipped, the number at the start taken, a
// fraction rounded half to even, 0 when there is none.
int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue);

}  // namespace trelk

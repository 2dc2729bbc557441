// The settings file's profile layer: sectioned "key=value" text. Sections and keys match without
// regard to letter case. The program reads and writes the file itself on every platform (the
// system's profile services on Windows would give a UTF-8 file's keywords in the ANSI code page,
// and the key scan could not see what they see). A file saved in ANSI or UTF-8, with or without
// a byte-order mark, or in UTF-16 LE with its mark is read and written back in that form; the
// values of a UTF-8 or UTF-16 file are UTF-8.
#pragma once

#include <string>

namespace trelk {

// The value of the key (after the first "=", without surrounding blanks and one pair of enclosing
// quotes), at most 511 characters; the default when the file, the section or the key is missing.
std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);

// Sets the key to the value, exactly as given. Creates the file (its folder must exist) and the
// section when missing; an existing key keeps its place. Returns false when the file could not be
// written, when a file that is there cannot be read (its content would be lost), or when the
// section, key or value holds a line end (it would add lines of its own); the previous file is
// then unchanged.
bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// Sets the key only when the section does not hold it yet, judged on the same reading of the
// file as the write: a default never replaces what a user wrote meanwhile.
bool iniAddKey(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// 1 when the section holds a line for the key, else 0. It decides which keys are seeded with
// their defaults, so it finds exactly what iniRead finds (headers with blanks around them, keys in
// any letter case, only the first section of a name, any encoding): a value the user wrote is
// never overwritten by a default.
int iniKeyExists(const std::string& file, const std::string& section, const std::string& key);

// The file is there but cannot be read at the moment (held by another program without sharing,
// no permission, not a plain file).
bool iniFileUnreadable(const std::string& file);

// A file name as the system's 8-bit file functions take it: on Windows, the value of a UTF-8 or
// UTF-16 file is converted from and to the ANSI code page; elsewhere these are iniRead, iniWrite.
std::string iniReadFileName(const std::string& file, const std::string& section, const std::string& key,
                            const std::string& defaultValue);
bool iniWriteFileName(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value);

// The value read as an integer: leading blanks skipped, the number at the start taken, a
// fraction rounded half to even, 0 when there is none.
int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue);

}  // namespace trelk

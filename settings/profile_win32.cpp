// The settings file's reading and writing on Windows. The file is read with every kind of
// sharing, and written as a new file beside it that then takes its place, so that a crash, a full
// disk or another program's handle leaves the previous file whole.
#include <windows.h>

#include <vector>

#include "settings/profile_file.h"

namespace trelk::platform {

namespace {

std::string convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    const int units = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return text;
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    const int bytes = WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return text;
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(to, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr);
    return out;
}

bool writeAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = bytes.size() - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size() - done);
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

std::string folderOf(const std::string& file) {
    const size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? std::string(".") : file.substr(0, separator + 1);
}

}  // namespace

SettingsFileState readSettingsFile(const std::string& file, std::string& bytes) {
    bytes.clear();
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SettingsFileState::kMissing
                                                                              : SettingsFileState::kUnreadable;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SettingsFileState::kUnreadable;
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return SettingsFileState::kUnreadable;
    bool read = GetFileType(handle) == FILE_TYPE_DISK;  // a device could block or never end
    char buffer[65536];
    for (DWORD got = 0; read; bytes.append(buffer, got)) {
        if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr))
            read = false;
        else if (got == 0)
            break;
    }
    CloseHandle(handle);
    if (!read) {
        bytes.clear();
        return SettingsFileState::kUnreadable;
    }
    return SettingsFileState::kRead;
}

bool replaceSettingsFile(const std::string& file, const std::string& bytes) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    // A read-only file stays as the user made it; a folder is not a settings file.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(folderOf(file).c_str(), "tlk", 0, temporary)) return false;
    HANDLE handle =
        CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = handle != INVALID_HANDLE_VALUE && writeAll(handle, bytes) && FlushFileBuffers(handle);
    if (handle != INVALID_HANDLE_VALUE && !CloseHandle(handle)) written = false;
    if (!written || !MoveFileExA(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return false;
    }
    // The new file keeps what the user marked the old one with (hidden, for example).
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(file.c_str(), attributes);
    return true;
}

std::string systemNameFromUtf8(const std::string& text) { return convert(text, CP_UTF8, CP_ACP); }
std::string utf8FromSystemName(const std::string& name) { return convert(name, CP_ACP, CP_UTF8); }

}  // namespace trelk::platform

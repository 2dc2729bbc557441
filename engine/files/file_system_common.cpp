// The parts of the file layer that are the same on every platform, built on its seams.
#include <cstdint>
#include <exception>

#include "engine/files/file_system.h"

namespace trelk {

int readWholeFile(const std::string& name, std::string& bytes) {
    bytes.clear();
    InputFile file;
    if (const int error = file.open(name)) return error;
    constexpr size_t kReadAhead = 65536;
    try {
        // Room for one more read after the last byte, which finds the end without a reallocation.
        if (file.size() > 0) {
            if (file.size() >= SIZE_MAX / 2) return kOutOfMemory;
            std::string().swap(bytes);  // the old buffer is not copied
            bytes.reserve(static_cast<size_t>(file.size()) + kReadAhead);
        }
        // Read to the end, whatever the size said: the file may grow or shrink meanwhile.
        for (;;) {
            if (bytes.capacity() - bytes.size() < kReadAhead)
                bytes.reserve(bytes.capacity() + bytes.capacity() / 2 + kReadAhead);
            const size_t before = bytes.size();
            bytes.resize(bytes.capacity());
            const size_t got = file.read(&bytes[before], bytes.size() - before);
            bytes.resize(before + got);
            if (got == 0) break;
        }
    } catch (const std::exception&) {
        bytes.clear();
        return kOutOfMemory;
    }
    if (file.error() != kNoError) bytes.clear();
    return file.error();
}

}  // namespace trelk

// The file layer on files held in memory (memory_files.h), for the programs that CMake links with
// it instead of the platform's. Error numbers are those the POSIX layer gives for the same case.
#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "engine/files/file_system.h"
#include "engine/files/memory_files.h"

namespace trelk {

const char kPathSeparator = '/';

namespace {

struct Store {
    // Shared with the files open on them, so that a file removed or replaced while it is open
    // stays readable to the end, as on POSIX.
    std::map<std::string, std::shared_ptr<std::string>> files;
    std::set<std::string> folders;
    std::shared_ptr<std::string> standardOutput = std::make_shared<std::string>();
};

Store& store() {
    static Store* const files = new Store;  // never destroyed: runs may end after static destructors
    return *files;
}

// What a handle of an open file points to.
struct OpenFile {
    std::shared_ptr<std::string> bytes;
    size_t at = 0;
};

// -1 is a closed file, as on the platforms; any other handle is an OpenFile.
OpenFile* openFile(intptr_t handle) { return handle == -1 ? nullptr : reinterpret_cast<OpenFile*>(handle); }
intptr_t handleOf(OpenFile* file) { return reinterpret_cast<intptr_t>(file); }

std::shared_ptr<std::string> fileNamed(const std::string& name) {
    const auto file = store().files.find(name);
    return file == store().files.end() ? nullptr : file->second;
}

int openForReading(const std::string& name, std::shared_ptr<std::string>& bytes) {
    bytes = fileNamed(name);
    if (bytes) return kNoError;
    return store().folders.count(name) ? kDeviceUnavailable : kFileNotFound;
}

}  // namespace

namespace memory_files {

void put(const std::string& path, std::string_view bytes) {
    std::shared_ptr<std::string>& file = store().files[path];
    file = std::make_shared<std::string>(bytes);
}

const std::string* find(const std::string& path) { return fileNamed(path).get(); }

void clear() {
    store().files.clear();
    store().folders.clear();
    store().standardOutput = std::make_shared<std::string>();
}

const std::string& standardOutput() { return *store().standardOutput; }

}  // namespace memory_files

bool isExistingFile(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos && isExistingNonFolder(name);
}

bool isExistingNonFolder(const std::string& name) { return fileNamed(name) != nullptr; }

bool isExistingFolder(const std::string& name) { return store().folders.count(name) != 0; }

int tryOpenForReading(const std::string& name) {
    std::shared_ptr<std::string> bytes;
    return openForReading(name, bytes);
}

InputFile::~InputFile() { delete openFile(handle_); }

int InputFile::open(const std::string& name) {
    std::shared_ptr<std::string> bytes;
    if (const int error = openForReading(name, bytes)) return error;
    size_ = bytes->size();
    handle_ = handleOf(new OpenFile{std::move(bytes)});
    return kNoError;
}

size_t InputFile::read(char* data, size_t size) {
    if (handle_ == -1 || error_ != kNoError) return 0;
    OpenFile& file = *openFile(handle_);
    const size_t got = file.at < file.bytes->size() ? std::min(size, file.bytes->size() - file.at) : 0;
    file.bytes->copy(data, got, file.at);
    file.at += got;
    return got;
}

int InputFile::rewind() {
    if (handle_ == -1 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    openFile(handle_)->at = 0;
    return kNoError;
}

int InputFile::seek(uint64_t offset) {
    if (handle_ == -1 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    OpenFile& file = *openFile(handle_);
    file.at = static_cast<size_t>(std::min<uint64_t>(offset, file.bytes->size()));
    return kNoError;
}

void adviseLargeBuffer(void*, size_t) {}

bool isListedFile(const std::string& name) { return fileNamed(name) != nullptr; }

int createFolder(const std::string& path) {
    // The folders above are made as needed; a file in the way fails the last step, as on POSIX.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!fileNamed(path.substr(0, slash))) store().folders.insert(path.substr(0, slash));
    if (path.empty()) return kFileNotFound;
    if (fileNamed(path)) return kAccessDenied;
    store().folders.insert(path);
    return kNoError;
}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const std::string& path) {
    close();
    if (path.empty() || path.find('\0') != std::string::npos) return kFileNotFound;
    if (store().folders.count(path)) return kOtherFailure;
    // Emptied at once, as on the platforms: the file holds a head of what is written.
    std::shared_ptr<std::string>& file = store().files[path];
    if (file)
        file->clear();
    else
        file = std::make_shared<std::string>();
    handle_ = handleOf(new OpenFile{file});
    return kNoError;
}

int OutputFile::attachStandardOutput() {
    close();
    handle_ = handleOf(new OpenFile{store().standardOutput});
    return kNoError;
}

int OutputFile::write(const char* data, size_t size) {
    if (handle_ == -1) return kOtherFailure;
    openFile(handle_)->bytes->append(data, size);
    return kNoError;
}

int OutputFile::close() {
    if (handle_ == -1) return kNoError;
    delete openFile(handle_);
    handle_ = -1;
    return kNoError;
}

}  // namespace trelk

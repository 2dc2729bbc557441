// Collects output text in one large buffer and hands it to a file in big pieces, keeping the first
// write error; a text larger than the buffer goes to the file directly. Every format writes
// through it: a report or a table puts millions of small pieces, each copied inline. The buffer
// starts small and doubles at each flush up to its full size, so that a small output (most
// reports, each CSV table of a small file) costs no megabyte of fresh memory.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "engine/files/file_system.h"

namespace trelk {

class OutputBuffer {
public:
    explicit OutputBuffer(OutputFile& file) : file_(file), buffer_(new char[kFirstSize]) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    OutputBuffer& operator<<(std::string_view text) {
        if (text.size() > size_ - used_) {
            flushFull();
            if (text.size() > size_) {
                write(text.data(), text.size());
                return *this;
            }
        }
        // An empty view may hold no pointer at all, which memcpy must not be given.
        if (!text.empty()) std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
        return *this;
    }
    OutputBuffer& operator<<(char c) {
        if (used_ == size_) flushFull();
        buffer_[used_++] = c;
        return *this;
    }
    // Room for `size` bytes (a field of a few dozen at most) at the end of the text: the caller
    // writes them there and says where they end with `took`.
    char* room(size_t size) {
        if (size_ - used_ < size) flushFull();
        return buffer_.get() + used_;
    }
    void took(const char* end) { used_ = static_cast<size_t>(end - buffer_.get()); }
    // The error number of the first failed write, or 0.
    int finish() {
        flush();
        return error_;
    }

private:
    static constexpr size_t kFirstSize = 1 << 14, kFullSize = 1 << 20;

    void write(const char* data, size_t size) {
        if (error_ == kNoError) error_ = file_.write(data, size);
    }
    void flush() {
        if (used_ > 0) write(buffer_.get(), used_);
        used_ = 0;
    }
    // The buffer is full: the output is not small, so the next one is larger (nothing to copy,
    // as it is empty now).
    void flushFull() {
        flush();
        if (size_ < kFullSize) {
            size_ *= 2;
            buffer_.reset(new char[size_]);
        }
    }

    OutputFile& file_;
    std::unique_ptr<char[]> buffer_;
    size_t size_ = kFirstSize;
    size_t used_ = 0;
    int error_ = kNoError;
};

// A number in decimal, as CSV and JSON write it, in the buffer given.
inline std::string_view decimalText(int64_t value, char (&buffer)[24]) {
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string_view(buffer, static_cast<size_t>(end.ptr - buffer));
}

}  // namespace trelk

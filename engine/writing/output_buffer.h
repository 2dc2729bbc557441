// Collects output text and hands it to a file in large pieces, keeping the first write error.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/files/file_system.h"

namespace trelk {

class OutputBuffer {
public:
    explicit OutputBuffer(OutputFile& file) : file_(file) { text_.reserve(kSize + 4096); }
    ~OutputBuffer() = default;
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    OutputBuffer& operator<<(std::string_view text) {
        text_.append(text.data(), text.size());
        if (text_.size() >= kSize) flush();
        return *this;
    }
    OutputBuffer& operator<<(char c) {
        text_ += c;
        return *this;
    }
    // The error number of the first failed write, or 0.
    int finish() {
        flush();
        return error_;
    }

private:
    static constexpr size_t kSize = 1 << 20;
    void flush() {
        if (!text_.empty() && error_ == kNoError) error_ = file_.write(text_.data(), text_.size());
        text_.clear();
    }

    OutputFile& file_;
    std::string text_;
    int error_ = kNoError;
};

// A number in decimal, as CSV and JSON write it, in the buffer given.
inline std::string_view decimalText(int64_t value, char (&buffer)[24]) {
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string_view(buffer, static_cast<size_t>(end.ptr - buffer));
}

}  // namespace trelk

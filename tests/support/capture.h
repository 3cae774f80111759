// A console sink that keeps everything written to it in memory, so a test
// can compare a report byte for byte.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kft {

class Capture {
public:
    Capture() : file_(open_memstream(&data_, &size_)) {
        if (!file_) throw std::runtime_error("open_memstream failed");
    }
    ~Capture() {
        std::fclose(file_);
        std::free(data_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    FILE* file() const { return file_; }
    operator FILE*() const { return file_; }
    std::string text() {
        std::fflush(file_);
        return {data_, size_};
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    FILE* file_;
};

} // namespace kft

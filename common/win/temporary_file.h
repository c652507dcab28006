#pragma once

#include <windows.h>

#include <string>
#include <utility>

// A file of our own made only to be moved into place: deleted when it goes
// out of scope, unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!keep_)
            DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return path_; }
    void Keep() { keep_ = true; }

private:
    std::wstring path_;
    bool keep_ = false;
};

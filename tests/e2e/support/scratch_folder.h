#pragma once

#include <string>

namespace e2e {

// A fresh folder below the scratch root (or the given parent folder) for one
// test, removed with its content when the test ends. Whatever an earlier run
// left there goes first.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name, const std::wstring& parent = std::wstring());
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Ready() const { return ready_; }
    const std::wstring& Path() const { return path_; }
    std::wstring PathOf(const std::wstring& relative) const { return path_ + L"\\" + relative; }

    // Copies a program into the folder under its own or the given file name;
    // returns the copy's full path, empty on failure.
    std::wstring CopyProgram(const std::wstring& source, const std::wstring& fileName = std::wstring()) const;

private:
    std::wstring path_;
    bool ready_ = false;
};

// Removes a folder tree; true when nothing is left of it.
bool RemoveFolderTree(const std::wstring& path);

} // namespace e2e

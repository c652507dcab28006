#pragma once

#include <string>

// Lets DLLs load by bare name from one more folder while the holder lives,
// for a library that brings its helpers beside itself; afterwards the
// start-up restriction of RestrictDllSearch holds again. Only one holder at
// a time.
class ScopedDllFolder {
public:
    explicit ScopedDllFolder(const std::wstring& folder);
    ~ScopedDllFolder();
    ScopedDllFolder(const ScopedDllFolder&) = delete;
    ScopedDllFolder& operator=(const ScopedDllFolder&) = delete;

    // False when the folder could not be added to the search.
    bool Active() const { return mode_ != Mode::None; }

private:
    enum class Mode { None, UserFolder, DllDirectory };
    Mode mode_;
    void* cookie_;
};

#pragma once

#include <string>

namespace e2e {

// Makes Wine report another Windows version to one program, chosen by its
// file name (HKCU\Software\Wine\AppDefaults\<exe>\Version, for example
// "winxp", "vista", "win7"), for the lifetime of the object; a program reads
// it when it starts. Afterwards the value goes, and the key too when this
// object created it.
class WineWindowsVersion {
public:
    WineWindowsVersion(const std::wstring& exeName, const std::wstring& version);
    ~WineWindowsVersion();
    WineWindowsVersion(const WineWindowsVersion&) = delete;
    WineWindowsVersion& operator=(const WineWindowsVersion&) = delete;

    bool Applied() const { return applied_; }

private:
    std::wstring keyPath_;
    bool createdKey_ = false;
    bool applied_ = false;
};

} // namespace e2e

#include "packsetup/create_folder_path.h"

#include <windows.h>

#include "packsetup/installed_items.h"
#include "packsetup/package_paths.h"

namespace {

// Remembers the process's current folder and goes back to it when destroyed.
class CurrentFolderRestorer {
public:
    CurrentFolderRestorer()
    {
        DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0)
            return;
        folder_.resize(needed);
        DWORD length = GetCurrentDirectoryW(needed, &folder_[0]);
        if (length == 0 || length >= needed)
            folder_.clear();
        else
            folder_.resize(length);
    }
    ~CurrentFolderRestorer()
    {
        if (!folder_.empty())
            SetCurrentDirectoryW(folder_.c_str());
    }
    CurrentFolderRestorer(const CurrentFolderRestorer&) = delete;
    CurrentFolderRestorer& operator=(const CurrentFolderRestorer&) = delete;

private:
    std::wstring folder_;
};

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Length of the part that opens the first level: "X:\", "X:", "\\", "\" or
// nothing for a relative path.
size_t PrefixLength(const std::wstring& path)
{
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':')
        return path.size() >= 3 && path[2] == L'\\' ? 3 : 2;
    if (path.compare(0, 2, L"\\\\") == 0)
        return 2;
    if (!path.empty() && path[0] == L'\\')
        return 1;
    return 0;
}

// End of the name that starts at the position: the next backslash or the end.
size_t NameEnd(const std::wstring& path, size_t start)
{
    size_t end = path.find(L'\\', start);
    return end == std::wstring::npos ? path.size() : end;
}

} // namespace

bool CreateFolderPath(const std::wstring& path)
{
    if (!FitsMaxPath(path))
        return false;
    std::wstring folder(path);
    if (!folder.empty() && folder.back() == L'\\' && folder.size() > PrefixLength(folder))
        folder.pop_back();
    size_t start = PrefixLength(folder);
    if (start >= folder.size())
        return true;

    size_t end = NameEnd(folder, start);
    // On a share the server is not a level: the first level is server\share.
    if (start == 2 && folder[0] == L'\\' && folder.size() > 3) {
        if (end >= folder.size())
            return false;
        end = NameEnd(folder, end + 1);
    }

    CurrentFolderRestorer restorer;
    std::wstring record;
    std::wstring level = folder.substr(0, end);
    for (;;) {
        // Doubled backslashes give empty names, which are no levels.
        if (!level.empty()) {
            // The level may exist already; entering it is what counts.
            CreateDirectoryW(level.c_str(), nullptr);
            if (!SetCurrentDirectoryW(level.c_str()))
                return false;
            record += level;
            record += L'\\';
            RecordInstalledFolder(record);
        }
        if (end >= folder.size())
            return true;
        start = end + 1;
        end = NameEnd(folder, start);
        level = folder.substr(start, end - start);
    }
}

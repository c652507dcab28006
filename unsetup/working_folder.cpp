#include "unsetup/working_folder.h"

#include <windows.h>
#include <sddl.h>

#include "common/win/random_bytes.h"
#include "common/win/security_descriptor.h"
#include "packsetup/package_paths.h"
#include "unsetup/program_paths.h"

namespace {

const wchar_t kFolderPrefix[] = L"TavrelUnsetup-";
// Protected: nothing is inherited from the temporary folder above.
const wchar_t kFolderSecurity[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
const int kNameAttempts = 16;
// Every file that the launcher or the core may leave in the folder.
const wchar_t* const kWorkingFileNames[] = {L"tavrelunsetup.bin", L"tavrelunsetup.def", L"tavrelunsetup.bat"};

bool RandomFolderName(std::wstring& name)
{
    unsigned char bytes[8];
    if (!GenerateRandomBytes(bytes, sizeof(bytes)))
        return false;
    static const wchar_t kDigits[] = L"0123456789abcdef";
    name = kFolderPrefix;
    for (unsigned char byte : bytes) {
        name.push_back(kDigits[byte >> 4]);
        name.push_back(kDigits[byte & 0x0F]);
    }
    return true;
}

} // namespace

bool GetSystemTemporaryFolder(std::wstring& folder)
{
    wchar_t windows[MAX_PATH];
    UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring joined = JoinPath(std::wstring(windows, length), L"Temp");
    if (!FitsMaxPath(joined))
        return false;
    folder = joined;
    return true;
}

ScopedHandle HoldFolder(const std::wstring& folder)
{
    ScopedHandle handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!handle || !GetFileInformationByHandle(handle.get(), &information)
        || !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return ScopedHandle();
    return handle;
}

WorkingFolder::~WorkingFolder()
{
    if (path_.empty() || keep_)
        return;
    hold_.Reset();
    for (const wchar_t* name : kWorkingFileNames) {
        std::wstring file;
        if (PathOf(name, file))
            DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(path_.c_str());
}

bool WorkingFolder::Create()
{
    std::wstring parent;
    ScopedSecurityDescriptor descriptor;
    if (!path_.empty() || !GetSystemTemporaryFolder(parent)
        || !ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderSecurity, SDDL_REVISION_1,
                                                                  descriptor.Receive(), nullptr))
        return false;
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.get(), FALSE};

    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring name;
        if (!RandomFolderName(name))
            return false;
        std::wstring candidate = JoinPath(parent, name);
        if (!FitsMaxPath(candidate))
            return false;
        if (!CreateDirectoryW(candidate.c_str(), &security)) {
            // Someone else's folder or link under that name is never used.
            if (GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return false;
        }
        path_ = candidate;
        hold_ = HoldFolder(path_);
        return static_cast<bool>(hold_);
    }
    return false;
}

bool WorkingFolder::PathOf(const std::wstring& name, std::wstring& path) const
{
    std::wstring joined = JoinPath(path_, name);
    if (path_.empty() || !FitsMaxPath(joined))
        return false;
    path = joined;
    return true;
}

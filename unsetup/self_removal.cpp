#include "unsetup/self_removal.h"

#include <windows.h>

#include "common/win/scoped_handle.h"
#include "packsetup/package_paths.h"
#include "unsetup/program_paths.h"

namespace {

const wchar_t kBatchFileName[] = L"tavrelunsetup.bat";
// The files that may be left beside the executable, besides the executable.
const wchar_t* const kCompanionFileNames[] = {L"tavrelunsetup.def", L"tavrelunsetup.bat"};

// The path in cmd's code page, '%' doubled; false when a byte would not stand
// for the character meant.
bool ToBatchPath(const std::wstring& path, std::string& converted)
{
    if (path.find(L'"') != std::wstring::npos)
        return false;
    char buffer[MAX_PATH];
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, buffer, MAX_PATH, nullptr,
                                   &usedDefault);
    if (size == 0 || usedDefault)
        return false;
    converted.clear();
    for (const char* c = buffer; *c; ++c) {
        converted.push_back(*c);
        if (*c == '%')
            converted.push_back('%');
    }
    return true;
}

bool WriteBatchFile(const std::wstring& path, const std::string& text)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

bool GetSystemFolder(std::wstring& folder)
{
    wchar_t buffer[MAX_PATH];
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    folder.assign(buffer, length);
    return true;
}

// cmd.exe by its full path, without the user's AutoRun command or delayed
// expansion, inheriting no handle. Its current folder is the system folder:
// a folder that is some process's current folder cannot be removed.
bool StartBatch(const std::wstring& commandLine)
{
    std::wstring systemFolder;
    if (!GetSystemFolder(systemFolder))
        return false;
    std::wstring interpreter = JoinPath(systemFolder, L"cmd.exe");
    if (!FitsMaxPath(interpreter))
        return false;
    std::wstring writable = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(interpreter.c_str(), &writable[0], nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | IDLE_PRIORITY_CLASS, nullptr, systemFolder.c_str(), &startup, &started))
        return false;
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    return true;
}

// The files first, so that the folder is empty when its turn comes.
void ScheduleRemovalAtRestart(const std::wstring& executable)
{
    const std::wstring folder = FolderOfPath(executable);
    MoveFileExW(executable.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    for (const wchar_t* name : kCompanionFileNames) {
        std::wstring file = JoinPath(folder, name);
        if (FitsMaxPath(file) && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

bool BuildSelfRemovalBatch(const std::wstring& executable, const std::wstring& batch, std::string& text)
{
    std::string batchExecutable;
    std::string batchItself;
    if (!ToBatchPath(executable, batchExecutable) || !ToBatchPath(batch, batchItself))
        return false;
    text = ":loop_start\r\n";
    text += "del \"" + batchExecutable + "\"\r\n";
    text += "if exist \"" + batchExecutable + "\" goto loop_start\r\n";
    text += "del \"" + batchItself + "\"\r\n";
    return true;
}

bool BuildSelfRemovalCommandLine(const std::wstring& batch, std::wstring& commandLine)
{
    const std::wstring folder = FolderOfPath(batch);
    if (batch.find_first_of(L"\"%") != std::wstring::npos || folder.empty())
        return false;
    commandLine = L"cmd.exe /D /V:OFF /C \"\"" + batch + L"\" & rmdir \"" + folder + L"\"\"";
    return true;
}

void StartSelfRemoval()
{
    std::wstring executable;
    if (!GetOwnExecutablePath(executable))
        return;
    std::wstring batch;
    std::string text;
    std::wstring commandLine;
    if (!GetOwnFolderFilePath(kBatchFileName, batch) || !BuildSelfRemovalBatch(executable, batch, text)
        || !BuildSelfRemovalCommandLine(batch, commandLine) || !WriteBatchFile(batch, text)
        || !StartBatch(commandLine))
        ScheduleRemovalAtRestart(executable);
}

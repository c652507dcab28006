#include "unsetup/self_removal.h"

#include <windows.h>

#include "common/win/scoped_handle.h"
#include "packsetup/package_paths.h"
#include "unsetup/program_paths.h"

namespace {

const wchar_t kBatchFileName[] = L"tavrelunsetup.bat";

bool ToAnsiPath(const std::wstring& path, std::string& ansi)
{
    char buffer[MAX_PATH];
    int size = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, buffer, MAX_PATH, nullptr, nullptr);
    if (size == 0)
        return false;
    ansi.assign(buffer);
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

// cmd.exe by its full path: the search for a bare name would look first in
// the temporary folder, where anyone can place a cmd.exe.
bool GetCommandInterpreterPath(std::wstring& path)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring joined = JoinPath(std::wstring(folder, length), L"cmd.exe");
    if (!FitsMaxPath(joined))
        return false;
    path = joined;
    return true;
}

} // namespace

bool BuildSelfRemovalBatch(const std::wstring& executable, const std::wstring& batch, std::string& text)
{
    std::string ansiExecutable;
    std::string ansiBatch;
    if (!ToAnsiPath(executable, ansiExecutable) || !ToAnsiPath(batch, ansiBatch))
        return false;
    text = ":loop_start\r\n";
    text += "del \"" + ansiExecutable + "\"\r\n";
    text += "if exist \"" + ansiExecutable + "\" goto loop_start\r\n";
    text += "del \"" + ansiBatch + "\"\r\n";
    return true;
}

void StartSelfRemoval()
{
    std::wstring executable;
    std::wstring batch;
    std::wstring interpreter;
    std::string text;
    if (!GetOwnExecutablePath(executable) || !GetTemporaryFilePath(kBatchFileName, batch)
        || !GetCommandInterpreterPath(interpreter) || !BuildSelfRemovalBatch(executable, batch, text)
        || !WriteBatchFile(batch, text))
        return;

    std::wstring commandLine = L"cmd.exe /C \"" + batch + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(interpreter.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_NEW_CONSOLE | IDLE_PRIORITY_CLASS, nullptr, nullptr, &startup, &started))
        return;
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
}

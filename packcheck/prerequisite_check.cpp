#include "packcheck/prerequisite_check.h"

#include <windows.h>

#include "packsetup/prereq/directx_setup.h"
#include "packsetup/prereq/dotnet_setup.h"

namespace {

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Hex(WORD value)
{
    wchar_t text[8];
    wsprintfW(text, L"0x%x", value);
    return text;
}

// The installer is 32-bit and runs on 32-bit Windows too: what it loads must
// be x86 code, and so must what it starts.
std::wstring OtherMachine(const PeImageFacts& facts, const wchar_t* kind)
{
    return std::wstring(kind) + L" for machine " + Hex(facts.machine) + L", not 32-bit x86 ("
        + Hex(IMAGE_FILE_MACHINE_I386) + L")";
}

std::wstring FileName(const std::wstring& path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}

void CheckImageFile(const std::wstring& path, const std::wstring& place, ProblemList& problems,
                    void (*check)(const PeImageFacts*, const std::wstring&, ProblemList&))
{
    PeImageFacts facts;
    check(ReadPeImageFile(path, facts) ? &facts : nullptr, place, problems);
}

} // namespace

void CheckDotnetSetupProgram(const PeImageFacts* facts, const std::wstring& place, ProblemList& problems)
{
    if (!facts || (facts->characteristics & IMAGE_FILE_DLL) || !(facts->characteristics & IMAGE_FILE_EXECUTABLE_IMAGE)
        || (facts->subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI && facts->subsystem != IMAGE_SUBSYSTEM_WINDOWS_CUI)) {
        problems.Problem(L"prerequisite-not-a-program", place, std::wstring(),
                         L"not a Windows program; the installer cannot start it");
        return;
    }
    if (facts->machine != IMAGE_FILE_MACHINE_I386)
        problems.Problem(L"prerequisite-not-32-bit", place, std::wstring(),
                         OtherMachine(*facts, L"a program") + L"; 32-bit Windows cannot start it");
}

void CheckDirectXSetupLibrary(const PeImageFacts* facts, const std::wstring& place, ProblemList& problems)
{
    if (!facts || !(facts->characteristics & IMAGE_FILE_DLL)) {
        problems.Problem(L"prerequisite-not-a-dll", place, std::wstring(),
                         L"not a Windows DLL; the installer cannot load it");
        return;
    }
    if (facts->machine != IMAGE_FILE_MACHINE_I386)
        problems.Problem(L"prerequisite-not-32-bit", place, std::wstring(),
                         OtherMachine(*facts, L"a DLL") + L"; the 32-bit installer cannot load it");
    for (const char* entry : {kDirectXShowEulaEntry, kDirectXSetupEntry}) {
        if (!ExportsName(*facts, entry))
            problems.Problem(L"prerequisite-export-missing", place, std::wstring(),
                             L"exports no " + std::wstring(entry, entry + lstrlenA(entry))
                                 + L"; the installer cannot run the DirectX setup without it");
    }
}

void CheckPrerequisites(const std::wstring& packageFolder, ProblemList& problems)
{
    std::wstring dotnet = packageFolder + L"\\dotnet";
    if (IsFolder(dotnet)) {
        std::wstring program = DotnetSetupProgramPath(dotnet);
        if (!IsFile(program))
            problems.Problem(L"prerequisite-missing", L"dotnet", std::wstring(),
                             L"holds neither dotnetfx3.exe nor dotnetfx3setup.exe");
        else
            CheckImageFile(program, L"dotnet\\" + FileName(program), problems, CheckDotnetSetupProgram);
    }
    std::wstring directx = packageFolder + L"\\directx";
    if (IsFolder(directx)) {
        std::wstring library = directx + L"\\" + kDirectXSetupLibrary;
        if (!IsFile(library))
            problems.Problem(L"prerequisite-missing", L"directx", std::wstring(),
                             std::wstring(L"holds no ") + kDirectXSetupLibrary);
        else
            CheckImageFile(library, L"directx\\" + std::wstring(kDirectXSetupLibrary), problems,
                           CheckDirectXSetupLibrary);
    }
}

#include "packsetup/version_check.h"

#include <windows.h>

#include <cwctype>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

namespace {

bool IsDecimalDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// One unsigned number after optional white space; advances past it.
bool ReadNumber(const wchar_t*& text, unsigned long& number)
{
    while (*text != L'\0' && std::iswspace(*text))
        ++text;
    if (!IsDecimalDigit(*text))
        return false;
    unsigned long long value = 0;
    while (IsDecimalDigit(*text)) {
        value = value * 10 + static_cast<unsigned>(*text - L'0');
        if (value > 0xFFFFFFFFull)
            return false;
        ++text;
    }
    number = static_cast<unsigned long>(value);
    return true;
}

void Refuse(const std::wstring& text)
{
    ShowMessageBox(nullptr, text, Installer().definition.caption, MB_ICONERROR);
}

} // namespace

bool ParseRequiredVersion(const std::wstring& text, RequiredVersion& version)
{
    std::wstring ignored;
    return ParseRequiredVersion(text, version, ignored);
}

bool ParseRequiredVersion(const std::wstring& text, RequiredVersion& version, std::wstring& ignored)
{
    const wchar_t* position = text.c_str();
    RequiredVersion parsed;
    if (!ReadNumber(position, parsed.major) || *position++ != L'.'
        || !ReadNumber(position, parsed.minor) || *position++ != L'.'
        || !ReadNumber(position, parsed.build))
        return false;
    version = parsed;
    ignored = position;
    return true;
}

bool IsVersionSufficient(const FileVersion& installed, const RequiredVersion& required)
{
    if (installed.major != required.major)
        return installed.major > required.major;
    if (installed.minor != required.minor)
        return installed.minor > required.minor;
    return installed.build >= required.build;
}

bool BuildMainProgramPath(const std::wstring& folder, std::wstring& path)
{
    if (folder.empty())
        return false;
    std::wstring built = folder;
    if (built.back() != L'\\')
        built += L'\\';
    built += L"tavrel.exe";
    if (built.size() >= MAX_PATH)
        return false;
    path = built;
    return true;
}

bool RunVersionCheck()
{
    const InstallerState& state = Installer();
    RequiredVersion required;
    if (!ParseRequiredVersion(state.definition.requiredVersion, required)) {
        Refuse(LoadText(IDS_DEFINITION_LOAD_FAILED) + L"\n\nError code: Invalid RequiredVersion field");
        return false;
    }

    std::wstring program;
    FileVersion installed;
    if (!BuildMainProgramPath(state.installFolder, program) || !GetExeFileVersion(program, installed)) {
        Refuse(LoadText(IDS_INSTALL_LOCATION_NOT_FOUND)
               + L"\n\nError code: Tavrel.exe version check failed");
        return false;
    }

    if (!IsVersionSufficient(installed, required)) {
        Refuse(LoadText(IDS_NEWER_VERSION_REQUIRED));
        return false;
    }
    return true;
}

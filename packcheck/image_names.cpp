#include "packcheck/image_names.h"

#include <windows.h>

#include <cwchar>
#include <map>

#include "packsetup/program_own_files.h"
#include "packsetup/unpack_folder_name.h"

namespace {

std::wstring ImagePlace(const std::wstring& relativePath)
{
    return L"image" + relativePath;
}

std::wstring Described(wchar_t c)
{
    if (c >= 32 && c < 127)
        return std::wstring(L"'") + c + L"'";
    wchar_t code[16];
    swprintf(code, 16, L"U+%04X", static_cast<unsigned>(c));
    return std::wstring(L"the control character ") + code;
}

// Why Windows cannot hold the name, or empty when it can; code names the kind.
std::wstring NameFault(const std::wstring& name, const wchar_t*& code)
{
    code = L"name-not-allowed";
    if (IsPlainName(name)) {
        if (IsDeviceName(name)) {
            code = L"device-name";
            return L"\"" + name + L"\" is a device name; Windows opens the device, not a file";
        }
        return std::wstring();
    }
    for (wchar_t c : name) {
        if (IsForbiddenInName(c))
            return L"name holds " + Described(c) + L", which Windows names cannot hold";
    }
    return L"name ends in a dot or blank, which Windows drops: it would name another file";
}

std::wstring UpperCase(const std::wstring& name)
{
    if (name.empty())
        return name;
    std::wstring upper(name.size(), L'\0');
    int length = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()),
                              &upper[0], static_cast<int>(upper.size()));
    upper.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return upper;
}

} // namespace

void CheckImageNames(const std::vector<FolderScanEntry>& entries, ProblemList& problems)
{
    // Keyed by the folder as listed and the name in capitals.
    std::map<std::wstring, const std::wstring*> seen;
    for (const FolderScanEntry& entry : entries) {
        const std::wstring& path = entry.relativePath;
        size_t separator = path.find_last_of(L'\\');
        std::wstring name = path.substr(separator + 1);
        const wchar_t* code = nullptr;
        std::wstring fault = NameFault(name, code);
        if (!fault.empty())
            problems.Problem(code, ImagePlace(path), std::wstring(), fault);
        if (separator == 0 && IsUninstallerOwnFileName(name))
            problems.Problem(L"replaces-own-file", ImagePlace(path), std::wstring(),
                             L"would replace the uninstaller's own " + name + L"; the installer refuses the package");
        else if (separator == 0 && IsProgramOwnFileName(name))
            problems.Problem(L"replaces-own-file", ImagePlace(path), std::wstring(),
                             L"would replace Tavrel!'s own program " + name);

        auto inserted = seen.emplace(path.substr(0, separator + 1) + UpperCase(name), &entry.relativePath);
        if (!inserted.second)
            problems.Problem(L"names-differ-in-case", ImagePlace(path), std::wstring(),
                             L"differs from " + ImagePlace(*inserted.first->second)
                                 + L" only in letter case; Windows keeps one file for both");
    }
}

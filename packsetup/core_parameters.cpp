#include "packsetup/core_parameters.h"

#include "packsetup/install_lookup.h"

std::wstring BuildCoreParameters(unsigned long ownerWindow, bool currentUser, const std::wstring& installFolder)
{
    // The whole option stands in quotes, so that the command-line reader
    // keeps a folder with blanks in one piece; it gives backslashes no meaning.
    return L"/Hwnd:" + std::to_wstring(ownerWindow) + L" /CurrentUser:" + (currentUser ? L"1" : L"0")
        + L" \"/CoreExec:" + installFolder + L"\"";
}

bool CanPassToCore(const std::wstring& installFolder)
{
    return !installFolder.empty() && installFolder.size() <= kMaxInstallPathLength
        && installFolder.find(L'"') == std::wstring::npos && installFolder.find(L'\0') == std::wstring::npos;
}

#include "support/environment.h"

#include <windows.h>

#include <vector>

namespace e2e {

std::wstring EnvironmentValue(const wchar_t* name)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> value(size);
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    return length < size ? std::wstring(value.data(), length) : std::wstring();
}

std::wstring ScratchRoot()
{
    return EnvironmentValue(L"E2E_SCRATCH_ROOT");
}

std::wstring PackSetupPath()
{
    return EnvironmentValue(L"E2E_PACKSETUP");
}

std::wstring UnsetupPath()
{
    return EnvironmentValue(L"E2E_UNSETUP");
}

std::wstring AutomationFixturePath()
{
    return EnvironmentValue(L"E2E_FIXTURE");
}

bool JapaneseRun()
{
    return EnvironmentValue(L"E2E_LANGUAGE") == L"ja";
}

const wchar_t* Localized(const wchar_t* english, const wchar_t* japanese)
{
    return JapaneseRun() ? japanese : english;
}

} // namespace e2e

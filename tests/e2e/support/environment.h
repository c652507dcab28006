#pragma once

#include <string>

namespace e2e {

// Value of an environment variable that CTest sets for the tests; empty when unset.
std::wstring EnvironmentValue(const wchar_t* name);

// The folder below which each test makes its scratch folders (E2E_SCRATCH_ROOT).
std::wstring ScratchRoot();
// Built programs under test, as Windows paths.
std::wstring PackSetupPath();         // E2E_PACKSETUP
std::wstring UnsetupPath();           // E2E_UNSETUP
std::wstring AutomationFixturePath(); // E2E_FIXTURE

// True when the run expects the Japanese user interface (E2E_LANGUAGE=ja).
bool JapaneseRun();
// The expected text of the run's language; both are written in the tests.
const wchar_t* Localized(const wchar_t* english, const wchar_t* japanese);

} // namespace e2e

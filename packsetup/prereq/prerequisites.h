#pragma once

// The core instance's prerequisite steps: the .NET Framework 3 setup, then
// the DirectX setup, each when the command line asks for it, with the
// restart question after either when it needs one.
#include <string>

#include "packsetup/core_options.h"

// Runs the steps that the options ask for. True when the core goes on to its
// finishing step; false when it must end at once (exit code 0) because the
// user declined to go on without a prerequisite (the owner window is enabled
// again) or because Windows is restarting.
bool RunPrerequisiteSteps(const CoreOptions& options);

// The same with the folder that holds "dotnet" and "directx".
bool RunPrerequisiteStepsFrom(const std::wstring& packageFolder, const CoreOptions& options);

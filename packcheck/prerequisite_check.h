#pragma once

#include <string>

#include "packcheck/pe_image.h"
#include "packcheck/problem_list.h"

// Adds a line when a "dotnet" or "directx" folder is present without the
// program or library that its setup looks for, or with one that the 32-bit
// installer cannot use: the .NET setup must be a 32-bit Windows program,
// dsetup.dll a 32-bit DLL that exports both entry points the DirectX setup
// binds.
void CheckPrerequisites(const std::wstring& packageFolder, ProblemList& problems);

// The checks of the found setup program and library, on their facts (null
// when the file is no PE image), each problem under the given place.
void CheckDotnetSetupProgram(const PeImageFacts* facts, const std::wstring& place, ProblemList& problems);
void CheckDirectXSetupLibrary(const PeImageFacts* facts, const std::wstring& place, ProblemList& problems);

#pragma once

#include <windows.h>

#include <string>

#include "packsfx/cabinet_reader.h"

// Unpacks the cabinet into the folder on a worker thread while a progress
// window, titled with the package's caption, shows how far it is.
UnpackResult UnpackWithProgress(const CabinetSource& source, const std::wstring& folder, uint64_t totalSize,
                                const std::wstring& caption, DWORD& error);

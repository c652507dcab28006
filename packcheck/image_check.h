#pragma once

#include <cstdint>
#include <string>

#include "packcheck/problem_list.h"

// What the installer would copy from the package's image folder.
struct ImageSummary {
    size_t files = 0;
    size_t folders = 0;
    uint64_t totalSize = 0;            // all 64 bits of every file's size
    std::wstring longestTarget;        // below the installation folder
    std::wstring longestSource;        // below the unpack folder on the user's machine
};

// Lists "image" as the installer does and adds a finding for each fault:
// the folder missing or without files, links and entries the listing
// leaves out, names Windows cannot hold (image_names.h), target paths that
// would not fit MAX_PATH below the installation folder (given without a
// trailing backslash) and source paths that would not fit below the image
// folder where the user's machine unpacks it (the longest of each is named;
// no source paths are measured when that folder is empty), files of 4 GiB
// or more; and a warning for each empty folder.
ImageSummary CheckImage(const std::wstring& packageFolder, const std::wstring& installFolder,
                        const std::wstring& unpackedImageFolder, ProblemList& problems);

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
};

// Lists "image" as the installer does and adds a line for each problem: the
// folder missing or without files, links and entries the listing leaves
// out, target paths that would not fit MAX_PATH below the installation
// folder (the longest is named), files of 4 GiB or more.
ImageSummary CheckImage(const std::wstring& packageFolder, const std::wstring& installFolder, ProblemList& problems);

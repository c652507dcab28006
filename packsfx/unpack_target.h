#pragma once

#include <string>

enum class UnpackTarget {
    Ready,        // the unpack folder was just created and is empty
    LinkOnWay,    // a folder on the way is a junction or symbolic link
    NotEmptied,   // the folder of an earlier run could not be emptied
    NotCreated,   // a folder on the way cannot be created, or is a file
};

// Makes the unpack folder ready below the application-data folder: the
// folder of an earlier run is emptied and removed through the link-free
// removal (packsetup/unpack_folder.h), then every level down from the
// application data is created or found as a plain folder inside the one
// above, by its handle and never through a link; the last level must be new.
UnpackTarget PrepareUnpackFolder(const std::wstring& appDataFolder, const std::wstring& unpackFolder);

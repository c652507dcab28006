#pragma once

#include <string>

namespace qz_xml {
namespace internal {

// Writes the bytes to a new file in the target's folder and only then moves it
// over the target, so that a failure at any point keeps the old target
// byte-for-byte; the temporary file is removed on every failing path.
// False when the full target path or the temporary path would not fit in
// MAX_PATH, the folder does not exist, the target is read-only or a folder,
// or any write, the flush or the move fails.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes);

// Test seam: called before each stream write of ReplaceFileContents with the
// write's number (from 1 for every call); returning false makes that write
// fail. Null, the default, lets every write through.
using StreamWriteHook = bool (*)(int writeNumber);
void SetStreamWriteHookForTesting(StreamWriteHook hook);

} // namespace internal
} // namespace qz_xml

#pragma once

#include <string>

// Writes tavrelunsetup.bat into the temporary folder and starts it hidden at
// idle priority without waiting: it deletes the running executable as soon
// as this process has ended, then itself. Nothing is reported; without the
// batch the executable simply stays.
void StartSelfRemoval();

// The batch's text in the ANSI code page, each line ending in CR LF. False
// when a path does not fit in 260 bytes in that code page: the batch must
// not name a cut path.
bool BuildSelfRemovalBatch(const std::wstring& executable, const std::wstring& batch, std::string& text);

#pragma once

#include <string>

// Writes tavrelunsetup.bat beside the running executable (in the working
// folder) and starts it hidden at idle priority without waiting: it deletes
// the executable as soon as this process has ended, then itself, then the
// folder. When no batch can be written safely, the executable, the files
// beside it and the folder are scheduled for deletion at the next restart
// instead. Nothing is reported.
void StartSelfRemoval();

// The batch's text in the console's (OEM) code page, each line ending in
// CR LF, '%' doubled so that cmd reads every path as written. False when a
// path cannot be written safely: it holds a '"', a character that the code
// page lacks, or does not fit in 260 bytes.
bool BuildSelfRemovalBatch(const std::wstring& executable, const std::wstring& batch, std::string& text);

// cmd's command line: the batch, then the removal of its folder. The folder
// goes only after the batch has ended, as cmd may hold the batch open while it
// runs. False for a '"' or a '%', which a command line cannot escape.
bool BuildSelfRemovalCommandLine(const std::wstring& batch, std::wstring& commandLine);

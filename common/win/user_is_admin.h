#pragma once

// The shell's IsUserAnAdmin (shell32 ordinal 680, bound at run time because
// older shells export it by ordinal only): true when the process runs with
// administrator rights. False when the shell lacks it.
bool ShellIsUserAnAdmin();

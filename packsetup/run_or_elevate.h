#pragma once

// Runs the installation in this process, or starts the core instance with
// administrator rights: a machine-wide installation on Windows Vista or later
// (a workstation) goes to the core through the shell's "RunAs" verb and this
// instance is done; elsewhere a machine-wide installation runs here when the
// user is an administrator. A per-user installation always runs here. True
// when the installation ran here (whatever its outcome) or the core was
// started; false after telling the user why neither happened.
bool RunOrElevate(bool elevationWanted);

#pragma once

#include <windows.h>

#include "common/win/scoped_handle.h"

// How the core knows that the process named on its command line is the
// launcher that started it, and not any process whose id it was given (an
// id is reused once its process has ended). The launcher lets the core
// inherit a handle to the launcher's own process and appends the handle's
// value to the designed "/u<flag>,<launcher id>". Only the process that
// starts the core with handle inheritance can give it such a handle: an
// elevated core started by hand, or through an elevation prompt by another
// program, inherits nothing from the launcher.

// The rights that the core needs on the launcher: wait for its end, read
// its ids, times and executable's path.
const DWORD kLauncherProcessRights = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// The launcher's side: a handle to its own process with those rights that a
// child started with handle inheritance receives. Null when it cannot be made.
ScopedHandle InheritableOwnProcess();

// The core's side: the inherited handle with the given value, when it holds
// a process that has the launcher's id, is this process's parent and was
// created no later than this process. It is then made non-inheritable, so
// that nothing the core starts receives it, and returned; otherwise null.
ScopedHandle TakeLauncherProcess(DWORD launcherProcessId, DWORD handleValue);

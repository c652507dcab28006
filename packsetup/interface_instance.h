#pragma once

// The run sequence of the instance that the user starts. Returns the exit
// code: 0, or -1 when another interface instance is running.
int RunInterfaceInstance();

#pragma once

#include <windows.h>

// Fills a buffer with bytes from the system's random generator
// (RtlGenRandom, exported as SystemFunction036). It is bound at run time:
// Windows 7 and later forward advapi32's export to cryptbase.dll, which is
// no KnownDLL, so a static import would have the loader look for that DLL in
// the program's own folder before any of our code runs. False when the
// generator is missing or fails.
bool GenerateRandomBytes(void* buffer, ULONG size);

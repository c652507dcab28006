#pragma once

#include <windows.h>

// The pause between two attempts of the retrying file routines. Tests
// replace it to count the pauses instead of sleeping.
void RetryWait(DWORD milliseconds);

typedef void (*RetryWaitFunction)(DWORD milliseconds);

// Installs a replacement (null restores Sleep) and returns the previous one.
RetryWaitFunction SetRetryWaitForTesting(RetryWaitFunction wait);

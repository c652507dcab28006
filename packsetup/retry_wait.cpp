#include "packsetup/retry_wait.h"

namespace {

void SystemWait(DWORD milliseconds)
{
    Sleep(milliseconds);
}

RetryWaitFunction currentWait = SystemWait;

} // namespace

void RetryWait(DWORD milliseconds)
{
    currentWait(milliseconds);
}

RetryWaitFunction SetRetryWaitForTesting(RetryWaitFunction wait)
{
    RetryWaitFunction previous = currentWait;
    currentWait = wait ? wait : SystemWait;
    return previous;
}

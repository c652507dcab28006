#include "packsetup/single_instance_guard.h"

const wchar_t kSetupMutexName[] = L"Tavrel_Setup";

SingleInstanceGuard::~SingleInstanceGuard()
{
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool SingleInstanceGuard::Acquire(const wchar_t* name)
{
    HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name);
    if (existing) {
        CloseHandle(existing);
        return false;
    }
    // A mutex that another user's elevated instance holds cannot be opened,
    // but it exists all the same.
    if (GetLastError() == ERROR_ACCESS_DENIED)
        return false;

    mutex_ = CreateMutexW(nullptr, FALSE, name);
    // Another instance may have created it between the two calls.
    if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex_);
        mutex_ = nullptr;
        return false;
    }
    return true;
}

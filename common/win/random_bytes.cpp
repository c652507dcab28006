#include "common/win/random_bytes.h"

#include "common/win/system_library.h"

namespace {

typedef BOOLEAN(WINAPI* RtlGenRandomFn)(PVOID buffer, ULONG size);

} // namespace

bool GenerateRandomBytes(void* buffer, ULONG size)
{
    // Where the forward leads, loaded by full path first; where it does not
    // exist (before Windows 7), advapi32 holds the generator itself.
    ScopedModule cryptbase(LoadSystemLibrary(L"cryptbase.dll"));
    RtlGenRandomFn generate = BindProc<RtlGenRandomFn>(cryptbase.get(), "SystemFunction036");
    ScopedModule advapi(generate ? nullptr : LoadSystemLibrary(L"advapi32.dll"));
    if (!generate)
        generate = BindProc<RtlGenRandomFn>(advapi.get(), "SystemFunction036");
    return generate && generate(buffer, size);
}

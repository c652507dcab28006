#include "common/win/version_library.h"

VersionLibrary::VersionLibrary()
    : getFileVersionInfoSize(nullptr), getFileVersionInfo(nullptr), verQueryValue(nullptr),
      module_(LoadSystemLibrary(L"version.dll"))
{
    getFileVersionInfoSize =
        BindProc<GetFileVersionInfoSizeFn>(module_.get(), "GetFileVersionInfoSizeW");
    getFileVersionInfo = BindProc<GetFileVersionInfoFn>(module_.get(), "GetFileVersionInfoW");
    verQueryValue = BindProc<VerQueryValueFn>(module_.get(), "VerQueryValueW");
}

bool VersionLibrary::IsLoaded() const
{
    return getFileVersionInfoSize && getFileVersionInfo && verQueryValue;
}

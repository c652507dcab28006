#include "common/win/text.h"

namespace {

HINSTANCE resourceModule = nullptr;

} // namespace

void SetResourceModule(HINSTANCE module)
{
    resourceModule = module;
}

HINSTANCE GetResourceModule()
{
    return resourceModule;
}

std::wstring LoadText(UINT id)
{
    wchar_t buffer[2000];
    if (LoadStringW(resourceModule, id, buffer, 2000) <= 0)
        return std::wstring();
    return std::wstring(buffer);
}

#include "packsetup/package_record.h"

#include "common/win/registry.h"
#include "common/win/registry_view.h"

namespace {

const wchar_t kUpdateTime[] = L"UpdateTime";

bool DeleteUpdateTime(HKEY root, const std::wstring& keyPath)
{
    ScopedRegKey key;
    if (OpenProductKey(root, keyPath, KEY_SET_VALUE, key) != ERROR_SUCCESS)
        return false;
    LONG result = RegDeleteValueW(key.get(), kUpdateTime);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool SetTitle(HKEY root, const std::wstring& keyPath, const std::wstring& title)
{
    ScopedRegKey key;
    if (CreateProductKey(root, keyPath, KEY_WRITE, key) != ERROR_SUCCESS)
        return false;
    DWORD size = static_cast<DWORD>((title.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(title.c_str()), size)
        == ERROR_SUCCESS;
}

} // namespace

bool WritePackageRecord(HKEY root, const std::wstring& productKey, const std::wstring& packageId,
                        const std::wstring& packageTitle)
{
    if (packageId.empty())
        return DeleteUpdateTime(root, productKey);
    std::wstring packageKey = productKey + L"\\Package\\" + packageId;
    bool titled = SetTitle(root, packageKey, packageTitle);
    bool deleted = DeleteUpdateTime(root, packageKey);
    return titled && deleted;
}

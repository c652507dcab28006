#include "common/win/shell_folders.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

// Item identifier list that the shell allocated.
class ScopedItemIdList {
public:
    ScopedItemIdList() : list_(nullptr) {}
    ~ScopedItemIdList() { CoTaskMemFree(list_); }
    ScopedItemIdList(const ScopedItemIdList&) = delete;
    ScopedItemIdList& operator=(const ScopedItemIdList&) = delete;

    LPITEMIDLIST get() const { return list_; }
    LPITEMIDLIST* Receive() { return &list_; }

private:
    LPITEMIDLIST list_;
};

} // namespace

bool GetShellFolderPath(int folderId, HWND owner, std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(owner, folderId, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        // Older shells know some folders only as item identifier lists.
        ScopedItemIdList list;
        if (FAILED(SHGetSpecialFolderLocation(owner, folderId, list.Receive())) || !list.get())
            return false;
        if (!SHGetPathFromIDListW(list.get(), buffer))
            return false;
    }
    path = buffer;
    return true;
}

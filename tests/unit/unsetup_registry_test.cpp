// Removal of the product's registry keys: the tree walk, which keys go in
// which mode, and the change notification. The hives are scratch keys here.
#include <doctest/doctest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlwapi.h>

#include <string>

#include "common/win/registry.h"
#include "unsetup/product_registry.h"
#include "unsetup/registry_tree.h"

namespace {

const wchar_t kScratchRoot[] = L"Software\\TavrelUnsetupUnitTest";

bool KeyExists(HKEY parent, const std::wstring& path)
{
    ScopedRegKey key;
    return RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

bool CreateKey(HKEY parent, const std::wstring& path)
{
    ScopedRegKey key;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Receive(),
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    const wchar_t value[] = L"v";
    return RegSetValueExW(key.get(), L"Value", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value))
        == ERROR_SUCCESS;
}

// A key of its own below HKEY_CURRENT_USER, removed with its content.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& name) : path_(std::wstring(kScratchRoot) + L"\\" + name)
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key_.Receive(), nullptr);
    }
    ~ScratchKey()
    {
        key_.Reset();
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kScratchRoot);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY get() const { return key_.get(); }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    ScopedRegKey key_;
};

// Denies everyone every right on a key, so that it can be neither opened
// nor deleted; false where the registry does not enforce it.
bool LockKey(HKEY parent, const std::wstring& path)
{
    ScopedRegKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, WRITE_DAC, key.Receive()) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    EXPLICIT_ACCESSW deny = {};
    deny.grfAccessPermissions = KEY_ALL_ACCESS;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    bool locked = SetEntriesInAclW(1, &deny, nullptr, &acl) == ERROR_SUCCESS
        && SetSecurityInfo(key.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr)
            == ERROR_SUCCESS;
    LocalFree(acl);
    FreeSid(everyone);
    key.Reset();
    ScopedRegKey probe;
    return locked && RegOpenKeyExW(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, probe.Receive()) != ERROR_SUCCESS;
}

void UnlockKey(HKEY parent, const std::wstring& path)
{
    ScopedRegKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, WRITE_DAC, key.Receive()) == ERROR_SUCCESS)
        SetSecurityInfo(key.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr);
}

// A symbolic link key at parent\name that leads to target, a path below
// HKEY_CURRENT_USER. Volatile, so that nothing of it outlives the run.
bool CreateLinkKey(HKEY parent, const std::wstring& name, const std::wstring& target)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE user[256];
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenUser, user, sizeof(user), &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    if (!known || !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid))
        return false;
    std::wstring link = std::wstring(L"\\Registry\\User\\") + sid + L"\\" + target;
    LocalFree(sid);
    ScopedRegKey key;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                        KEY_WRITE | KEY_CREATE_LINK, nullptr, key.Receive(), nullptr)
        != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(link.data()),
                          static_cast<DWORD>(link.size() * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

struct TreeCall {
    HKEY parent;
    const wchar_t* path;
    bool result;
};

DWORD WINAPI DeleteTreeThread(void* argument)
{
    TreeCall* call = static_cast<TreeCall*>(argument);
    call->result = DeleteRegistryTree(call->parent, call->path);
    return 0;
}

int notifications = 0;
void CountNotification()
{
    ++notifications;
}

// The two hives of RemoveProductRegistry as scratch keys.
struct Hives {
    Hives() : user(L"user"), machine(L"machine") { notifications = 0; }
    RegistryRoots Roots() const { return RegistryRoots{user.get(), machine.get(), CountNotification}; }

    ScratchKey user;
    ScratchKey machine;
};

const wchar_t* const kAssociations[] = {L"Software\\Classes\\.tvd", L"Software\\Classes\\.tvdx",
                                        L"Software\\Classes\\tvdfile"};

UninstallerSettings ProductSettings(bool testEdition)
{
    UninstallerSettings settings;
    settings.baseRegKey = L"Software\\Halvest\\Tavrel!";
    settings.uninstallRegKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!";
    settings.testEdition = testEdition;
    return settings;
}

bool InstallKeys(HKEY hive)
{
    bool created = CreateKey(hive, L"Software\\Halvest\\Tavrel!\\Package\\Pack1")
        && CreateKey(hive, L"Software\\Halvest\\Tavrel!\\Settings")
        && CreateKey(hive, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!");
    for (const wchar_t* key : kAssociations)
        created = created && CreateKey(hive, std::wstring(key) + L"\\shell\\open");
    return created;
}

} // namespace

TEST_CASE("DeleteRegistryTree removes a key with all its subkeys and values")
{
    ScratchKey root(L"tree");
    REQUIRE(root.get());
    REQUIRE(CreateKey(root.get(), L"Product\\A\\A1\\A11"));
    REQUIRE(CreateKey(root.get(), L"Product\\A\\A2"));
    REQUIRE(CreateKey(root.get(), L"Product\\B"));
    REQUIRE(CreateKey(root.get(), L"Sibling"));

    CHECK(DeleteRegistryTree(root.get(), L"Product"));
    CHECK_FALSE(KeyExists(root.get(), L"Product"));
    CHECK(KeyExists(root.get(), L"Sibling"));
    // A key that is not there: nothing to delete.
    CHECK_FALSE(DeleteRegistryTree(root.get(), L"Product"));
    CHECK(KeyExists(root.get(), L"Sibling"));
}

TEST_CASE("DeleteRegistryTree passes over a subkey it cannot delete and removes the rest")
{
    ScratchKey root(L"locked");
    REQUIRE(root.get());
    REQUIRE(CreateKey(root.get(), L"Product\\a"));
    REQUIRE(CreateKey(root.get(), L"Product\\b-locked\\inner"));
    REQUIRE(CreateKey(root.get(), L"Product\\c\\c1"));
    REQUIRE(LockKey(root.get(), L"Product\\b-locked"));

    TreeCall call = {root.get(), L"Product", true};
    HANDLE thread = CreateThread(nullptr, 0, DeleteTreeThread, &call, 0, nullptr);
    REQUIRE(thread != nullptr);
    // Retrying the locked key without end would never return.
    bool ended = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateThread(thread, 1);
    CloseHandle(thread);
    REQUIRE(ended);

    CHECK_FALSE(call.result);
    CHECK(KeyExists(HKEY_CURRENT_USER, root.Path() + L"\\Product"));
    CHECK_FALSE(KeyExists(root.get(), L"Product\\a"));
    CHECK_FALSE(KeyExists(root.get(), L"Product\\c"));
    UnlockKey(root.get(), L"Product\\b-locked");
    CHECK(KeyExists(root.get(), L"Product\\b-locked\\inner"));
}

TEST_CASE("DeleteRegistryTree deletes a link key as the link and never walks it")
{
    ScratchKey target(L"link-target");
    ScratchKey root(L"link");
    REQUIRE(CreateKey(target.get(), L"Data\\Inner"));
    REQUIRE(CreateKey(root.get(), L"Product\\Settings"));
    REQUIRE(CreateLinkKey(root.get(), L"Product\\Elsewhere", target.Path() + L"\\Data"));
    // One that leads back to its own parent: walked, it would never end.
    REQUIRE(CreateLinkKey(root.get(), L"Product\\Loop", root.Path() + L"\\Product"));
    REQUIRE(CreateLinkKey(root.get(), L"Linked", target.Path() + L"\\Data"));
    REQUIRE(KeyExists(root.get(), L"Product\\Elsewhere\\Inner"));

    CHECK(DeleteRegistryTree(root.get(), L"Product"));
    CHECK_FALSE(KeyExists(root.get(), L"Product"));
    // A product key that is itself a link goes as the link too.
    CHECK(DeleteRegistryTree(root.get(), L"Linked"));
    CHECK_FALSE(KeyExists(root.get(), L"Linked"));
    CHECK(KeyExists(target.get(), L"Data\\Inner"));
}

TEST_CASE("all users: both hives' product keys, the uninstall information and the machine's associations")
{
    Hives hives;
    REQUIRE(InstallKeys(hives.user.get()));
    REQUIRE(InstallKeys(hives.machine.get()));

    RemoveProductRegistry(hives.Roots(), ProductSettings(false), false);

    for (HKEY hive : {hives.user.get(), hives.machine.get()}) {
        CHECK_FALSE(KeyExists(hive, L"Software\\Halvest\\Tavrel!"));
        // Nothing else was in it: the maker's key goes too.
        CHECK_FALSE(KeyExists(hive, L"Software\\Halvest"));
    }
    CHECK_FALSE(KeyExists(hives.machine.get(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!"));
    CHECK(KeyExists(hives.machine.get(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    for (const wchar_t* key : kAssociations) {
        CHECK_FALSE(KeyExists(hives.machine.get(), key));
        // The user's own associations are not the install's.
        CHECK(KeyExists(hives.user.get(), key));
    }
    CHECK(notifications == 1);
    // The user's uninstall key is never touched.
    CHECK(KeyExists(hives.user.get(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!"));
}

TEST_CASE("current user: only the user's hive, with its associations; the uninstall information stays")
{
    Hives hives;
    REQUIRE(InstallKeys(hives.user.get()));
    REQUIRE(InstallKeys(hives.machine.get()));

    RemoveProductRegistry(hives.Roots(), ProductSettings(false), true);

    CHECK_FALSE(KeyExists(hives.user.get(), L"Software\\Halvest"));
    for (const wchar_t* key : kAssociations) {
        CHECK_FALSE(KeyExists(hives.user.get(), key));
        CHECK(KeyExists(hives.machine.get(), key));
    }
    CHECK(KeyExists(hives.user.get(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!"));
    CHECK(KeyExists(hives.machine.get(), L"Software\\Halvest\\Tavrel!\\Package\\Pack1"));
    CHECK(KeyExists(hives.machine.get(), L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!"));
    CHECK(notifications == 1);
}

TEST_CASE("a test edition keeps the associations and tells the shell nothing")
{
    Hives hives;
    REQUIRE(InstallKeys(hives.user.get()));
    REQUIRE(InstallKeys(hives.machine.get()));

    RemoveProductRegistry(hives.Roots(), ProductSettings(true), false);

    CHECK_FALSE(KeyExists(hives.machine.get(), L"Software\\Halvest\\Tavrel!"));
    CHECK_FALSE(KeyExists(hives.user.get(), L"Software\\Halvest\\Tavrel!"));
    for (const wchar_t* key : kAssociations)
        CHECK(KeyExists(hives.machine.get(), key));
    CHECK(notifications == 0);
}

TEST_CASE("the maker's key stays while another product's key is below it")
{
    Hives hives;
    REQUIRE(InstallKeys(hives.user.get()));
    REQUIRE(CreateKey(hives.user.get(), L"Software\\Halvest\\OtherProduct"));

    RemoveProductRegistry(hives.Roots(), ProductSettings(false), true);

    CHECK_FALSE(KeyExists(hives.user.get(), L"Software\\Halvest\\Tavrel!"));
    CHECK(KeyExists(hives.user.get(), L"Software\\Halvest\\OtherProduct"));
}

TEST_CASE("a maker's key made a link to keys elsewhere goes as the link; nothing at its target is touched")
{
    Hives hives;
    ScratchKey elsewhere(L"maker-link-target");
    REQUIRE(CreateKey(elsewhere.get(), L"Tavrel!\\Package\\Pack1"));
    REQUIRE(CreateKey(hives.user.get(), L"Software\\Classes\\.tvd"));
    REQUIRE(CreateLinkKey(hives.user.get(), L"Software\\Halvest", elsewhere.Path()));
    REQUIRE(KeyExists(hives.user.get(), L"Software\\Halvest\\Tavrel!\\Package\\Pack1"));

    RemoveProductRegistry(hives.Roots(), ProductSettings(false), true);

    CHECK(KeyExists(elsewhere.get(), L"Tavrel!\\Package\\Pack1"));
    CHECK_FALSE(KeyExists(hives.user.get(), L"Software\\Halvest"));
    CHECK_FALSE(KeyExists(hives.user.get(), L"Software\\Classes\\.tvd"));
}

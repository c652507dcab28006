// The package's registry record below the product key.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/registry.h"
#include "packsetup/package_record.h"
#include "tests/fixtures/install_registry/install_registry.h"

using install_registry::ScopedProductKey;

namespace {

bool SetString(const std::wstring& keyPath, const wchar_t* name, const std::wstring& value)
{
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

bool HasValue(const std::wstring& keyPath, const wchar_t* name)
{
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS
        && RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool HasKey(const std::wstring& keyPath)
{
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS;
}

// The default value as raw bytes, to see the terminator.
std::vector<BYTE> DefaultValue(const std::wstring& keyPath, DWORD& type)
{
    ScopedRegKey key;
    std::vector<BYTE> bytes;
    DWORD size = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS
        || RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return bytes;
    bytes.resize(size);
    if (size > 0 && RegQueryValueExW(key.get(), nullptr, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS)
        bytes.clear();
    return bytes;
}

} // namespace

TEST_CASE("with a package id the package key gets the title and loses its UpdateTime")
{
    ScopedProductKey product(L"record");
    std::wstring packageKey = product.Path() + L"\\Package\\SamplePack";
    REQUIRE(SetString(product.Path(), L"UpdateTime", L"product"));
    REQUIRE(SetString(packageKey, L"UpdateTime", L"package"));
    REQUIRE(SetString(packageKey, L"Other", L"kept"));

    CHECK(WritePackageRecord(HKEY_CURRENT_USER, product.Path(), L"SamplePack", L"Sample \u30d1\u30c3\u30af"));

    DWORD type = 0;
    std::vector<BYTE> title = DefaultValue(packageKey, type);
    CHECK(type == REG_SZ);
    std::wstring expected = L"Sample \u30d1\u30c3\u30af";
    REQUIRE(title.size() == (expected.size() + 1) * sizeof(wchar_t));
    CHECK(std::wstring(reinterpret_cast<const wchar_t*>(title.data())) == expected);
    CHECK_FALSE(HasValue(packageKey, L"UpdateTime"));
    CHECK(HasValue(packageKey, L"Other"));
    CHECK(HasValue(product.Path(), L"UpdateTime"));
}

TEST_CASE("a new package key is created, and an empty title is stored as an empty string")
{
    ScopedProductKey product(L"record-new");
    std::wstring packageKey = product.Path() + L"\\Package\\Fresh";
    REQUIRE_FALSE(HasKey(product.Path()));

    // No UpdateTime to delete is no failure.
    CHECK(WritePackageRecord(HKEY_CURRENT_USER, product.Path(), L"Fresh", L""));
    DWORD type = 0;
    std::vector<BYTE> title = DefaultValue(packageKey, type);
    CHECK(type == REG_SZ);
    CHECK(title.size() == sizeof(wchar_t));
}

TEST_CASE("without a package id only the product key's UpdateTime goes")
{
    ScopedProductKey product(L"record-noid");
    REQUIRE(SetString(product.Path(), L"UpdateTime", L"product"));
    REQUIRE(SetString(product.Path(), L"InstallPath", L"C:\\Tavrel"));

    CHECK(WritePackageRecord(HKEY_CURRENT_USER, product.Path(), L"", L"Ignored"));
    CHECK_FALSE(HasValue(product.Path(), L"UpdateTime"));
    CHECK(HasValue(product.Path(), L"InstallPath"));
    CHECK_FALSE(HasKey(product.Path() + L"\\Package"));
}

TEST_CASE("without a package id and without a product key nothing is created")
{
    ScopedProductKey product(L"record-nokey");
    CHECK_FALSE(WritePackageRecord(HKEY_CURRENT_USER, product.Path(), L"", L""));
    CHECK_FALSE(HasKey(product.Path()));
}

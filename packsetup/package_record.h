#pragma once

#include <windows.h>

#include <string>

// Records an installed package below the product key of the given hive, in
// the product's registry view (common/win/registry_view.h):
// with a package id, <productKey>\Package\<packageId> gets the title as its
// default value and loses its value "UpdateTime"; without one, only
// "UpdateTime" of the product key itself is deleted. Keys that cannot be
// opened are skipped. True when every step that applies succeeded (a value
// "UpdateTime" that was not there counts as deleted).
bool WritePackageRecord(HKEY root, const std::wstring& productKey, const std::wstring& packageId,
                        const std::wstring& packageTitle);

#pragma once

// The Windows Installer record functions that the setup watcher needs, bound
// at run time from msi.dll in the system folder: msi.dll is no KnownDLL, so
// importing it would let a copy planted beside the program be loaded.
#include <windows.h>

typedef unsigned long MSIHANDLE;

struct MsiRecordFunctions {
    UINT(WINAPI* CloseRecord)(MSIHANDLE handle);
    MSIHANDLE(WINAPI* CreateRecord)(UINT fieldCount);
    UINT(WINAPI* RecordGetFieldCount)(MSIHANDLE record);
    int(WINAPI* RecordGetInteger)(MSIHANDLE record, UINT field);
    UINT(WINAPI* RecordGetStringW)(MSIHANDLE record, UINT field, wchar_t* buffer, DWORD* size);
    UINT(WINAPI* RecordSetStringW)(MSIHANDLE record, UINT field, const wchar_t* text);
    UINT(WINAPI* FormatRecordW)(MSIHANDLE install, MSIHANDLE record, wchar_t* buffer, DWORD* size);
};

// The bound functions, loaded once per process and kept until its end; null
// when msi.dll or one of the functions is missing.
const MsiRecordFunctions* MsiRecords();

// What MsiRecordGetInteger gives for an empty or non-numeric field.
const int kMsiNullInteger = static_cast<int>(0x80000000);

// Owns a record handle and closes it once.
class ScopedMsiRecord {
public:
    explicit ScopedMsiRecord(MSIHANDLE record = 0) : record_(record) {}
    ~ScopedMsiRecord() { Reset(); }
    ScopedMsiRecord(const ScopedMsiRecord&) = delete;
    ScopedMsiRecord& operator=(const ScopedMsiRecord&) = delete;

    MSIHANDLE get() const { return record_; }
    void Reset(MSIHANDLE record = 0)
    {
        if (record_ && MsiRecords())
            MsiRecords()->CloseRecord(record_);
        record_ = record;
    }

private:
    MSIHANDLE record_;
};

#pragma once

#include <windows.h>
#include <winternl.h>

// The native calls that act on what a handle already holds where the Win32
// calls take a path, or exist only from Vista on: opening an entry relative
// to an open folder, reading and setting its attributes, marking it for
// deletion, listing a folder, deleting a registry key through its own
// handle, reading a process's own and parent ids, and telling a failure as
// a Win32 error. All of them exist on Windows XP. Bound once from ntdll in
// the system folder; a member is null when the call is missing.
struct NtdllApi {
    NTSTATUS(NTAPI* createFile)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                ULONG, ULONG, ULONG, PVOID, ULONG);
    NTSTATUS(NTAPI* queryInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    NTSTATUS(NTAPI* setInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    NTSTATUS(NTAPI* queryDirectoryFile)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                        FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
    NTSTATUS(NTAPI* deleteKey)(HANDLE);
    NTSTATUS(NTAPI* queryInformationProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    ULONG(NTAPI* statusToWin32Error)(NTSTATUS);
};

const NtdllApi& Ntdll();

#include "packsetup/prereq/msi_record_library.h"

#include "common/win/system_library.h"

namespace {

class MsiRecordLibrary {
public:
    MsiRecordLibrary() : module_(LoadSystemLibrary(L"msi.dll"))
    {
        functions_.CloseRecord = BindProc<decltype(functions_.CloseRecord)>(module_.get(), "MsiCloseHandle");
        functions_.CreateRecord = BindProc<decltype(functions_.CreateRecord)>(module_.get(), "MsiCreateRecord");
        functions_.RecordGetFieldCount =
            BindProc<decltype(functions_.RecordGetFieldCount)>(module_.get(), "MsiRecordGetFieldCount");
        functions_.RecordGetInteger =
            BindProc<decltype(functions_.RecordGetInteger)>(module_.get(), "MsiRecordGetInteger");
        functions_.RecordGetStringW =
            BindProc<decltype(functions_.RecordGetStringW)>(module_.get(), "MsiRecordGetStringW");
        functions_.RecordSetStringW =
            BindProc<decltype(functions_.RecordSetStringW)>(module_.get(), "MsiRecordSetStringW");
        functions_.FormatRecordW = BindProc<decltype(functions_.FormatRecordW)>(module_.get(), "MsiFormatRecordW");
        complete_ = functions_.CloseRecord && functions_.CreateRecord && functions_.RecordGetFieldCount &&
                    functions_.RecordGetInteger && functions_.RecordGetStringW && functions_.RecordSetStringW &&
                    functions_.FormatRecordW;
    }
    MsiRecordLibrary(const MsiRecordLibrary&) = delete;
    MsiRecordLibrary& operator=(const MsiRecordLibrary&) = delete;

    const MsiRecordFunctions* Functions() const { return complete_ ? &functions_ : nullptr; }

private:
    ScopedModule module_;
    MsiRecordFunctions functions_ = {};
    bool complete_ = false;
};

} // namespace

const MsiRecordFunctions* MsiRecords()
{
    // Initialised once even when the watcher's thread gets here first.
    static MsiRecordLibrary library;
    return library.Functions();
}

#include "packsfx/sfx_entry.h"

#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "common/win/com_apartment.h"
#include "common/win/file_names.h"
#include "common/win/message_box.h"
#include "common/win/scoped_handle.h"
#include "common/win/shell_folders.h"
#include "common/win/text.h"
#include "packsetup/free_space.h"
#include "packsetup/package_definition.h"
#include "packsetup/program_folder.h"
#include "packsetup/unpack_folder.h"
#include "packsfx/cabinet_reader.h"
#include "packsfx/payload.h"
#include "packsfx/res/resource.h"
#include "packsfx/unpack_progress.h"
#include "packsfx/unpack_target.h"

namespace {

const int kExitStarted = 0;
const int kExitFailed = 1;

std::wstring WithPlaceholders(UINT id, const std::wstring& text, DWORD number = 0)
{
    std::wstring message = LoadText(id);
    size_t at = message.find(L"%u");
    if (at != std::wstring::npos)
        message.replace(at, 2, std::to_wstring(number));
    at = message.find(L"%s");
    if (at != std::wstring::npos)
        message.replace(at, 2, text);
    return message;
}

int Fail(const std::wstring& message, const std::wstring& title)
{
    ShowMessageBox(nullptr, message, title, MB_OK | MB_ICONERROR);
    return kExitFailed;
}

bool EndsWith(const std::wstring& text, const wchar_t* ending)
{
    size_t length = wcslen(ending);
    return text.size() > length && SameFileName(text.substr(text.size() - length), ending);
}

// The installer: "<name>.exe" for the definition "<name>.def" that comes
// first, both at the top of the package.
bool FindInstaller(const CabinetListing& listing, std::wstring& program)
{
    const std::wstring& definition = listing.names.front();
    if (definition.find(L'\\') != std::wstring::npos || !EndsWith(definition, L".def"))
        return false;
    std::wstring name = ProgramForDefinition(definition);
    for (const std::wstring& entry : listing.names) {
        if (SameFileName(entry, name)) {
            program = entry;
            return true;
        }
    }
    return false;
}

bool StartInstaller(const std::wstring& program, const std::wstring& folder)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return false;
    ScopedHandle thread(process.hThread);
    ScopedHandle started(process.hProcess);
    return true;
}

// SfxExtractPath as the author wrote it.
std::wstring ExtractPathOf(const PackageDefinition& definition)
{
    const std::wstring& folder = definition.unpackFolder;
    size_t separator = folder.find(L'\\');
    return separator == std::wstring::npos ? folder : folder.substr(separator + 1);
}

bool IsDiskFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

} // namespace

int RunPackSfx(HINSTANCE instance)
{
    SetResourceModule(instance);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    ScopedComApartment com;
    std::wstring title = LoadText(IDS_SFX_TITLE);

    // The package: found from the end of this file, checked whole before
    // anything is written. The file stays open, shared for reading only, so
    // that what was checked is what is unpacked.
    std::wstring self;
    if (!GetProgramPath(self))
        return Fail(LoadText(IDS_PAYLOAD_DAMAGED), title);
    ScopedHandle file(CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    PayloadRange range;
    if (!file || LocatePayload(file.get(), range) != PayloadLocation::Found
        || !PayloadChecksumMatches(file.get(), range))
        return Fail(LoadText(IDS_PAYLOAD_DAMAGED), title);
    CabinetSource source;
    source.file = file.get();
    source.offset = range.offset;
    source.size = range.size;

    CabinetListing listing;
    if (!ListCabinet(source, listing)) {
        if (!listing.refusedName.empty())
            return Fail(WithPlaceholders(IDS_BAD_NAME, listing.refusedName), title);
        return Fail(LoadText(IDS_PAYLOAD_DAMAGED), title);
    }
    std::wstring program;
    if (!FindInstaller(listing, program))
        return Fail(LoadText(IDS_NO_INSTALLER), title);

    // The unpack folder, by the installer's own reading of the definition.
    PackageDefinition definition;
    if (!LoadPackageDefinitionContent(listing.firstFile, definition))
        return Fail(LoadText(IDS_BAD_DEFINITION), definition.caption.empty() ? title : definition.caption);
    title = definition.caption;
    std::wstring appData;
    std::wstring unpackPath;
    if (!GetShellFolderPath(CSIDL_APPDATA, nullptr, appData) || appData.empty())
        return Fail(WithPlaceholders(IDS_FOLDER_NOT_CREATED, L"%APPDATA%"), title);
    if (!BuildUnpackPath(appData, definition.unpackFolder, unpackPath))
        return Fail(WithPlaceholders(IDS_BAD_EXTRACT_PATH, ExtractPathOf(definition)), title);
    for (const std::wstring& name : listing.names) {
        if (unpackPath.size() + 1 + name.size() >= MAX_PATH)
            return Fail(WithPlaceholders(IDS_BAD_NAME, name), title);
    }

    switch (PrepareUnpackFolder(appData, definition.unpackFolder)) {
    case UnpackTarget::Ready:
        break;
    case UnpackTarget::LinkOnWay:
        return Fail(WithPlaceholders(IDS_FOLDER_LINK, unpackPath), title);
    case UnpackTarget::NotEmptied:
        return Fail(WithPlaceholders(IDS_FOLDER_NOT_EMPTIED, unpackPath), title);
    case UnpackTarget::NotCreated:
        return Fail(WithPlaceholders(IDS_FOLDER_NOT_CREATED, unpackPath), title);
    }

    // From here on the folder is ours: every failure removes it again.
    UnpackResult result = UnpackResult::WriteFailed;
    DWORD error = ERROR_SUCCESS;
    if (!HasFreeSpaceFor(unpackPath, listing.totalSize))
        error = ERROR_DISK_FULL;
    else
        result = UnpackWithProgress(source, unpackPath, listing.totalSize, title, error);
    if (result != UnpackResult::Done) {
        RemoveUnpackedPackage(appData, definition.unpackFolder);
        if (result == UnpackResult::Damaged)
            return Fail(LoadText(IDS_PAYLOAD_DAMAGED), title);
        if (result == UnpackResult::Refused)
            return Fail(WithPlaceholders(IDS_BAD_NAME, unpackPath), title);
        if (IsDiskFull(error))
            return Fail(WithPlaceholders(IDS_DISK_FULL, unpackPath), title);
        return Fail(WithPlaceholders(IDS_UNPACK_FAILED, unpackPath, error), title);
    }
    file.Reset();

    std::wstring installer = unpackPath + L"\\" + program;
    if (!StartInstaller(installer, unpackPath)) {
        RemoveUnpackedPackage(appData, definition.unpackFolder);
        return Fail(WithPlaceholders(IDS_START_FAILED, installer), title);
    }
    return kExitStarted;
}

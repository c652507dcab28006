#include "support/install_scene.h"

#include "support/environment.h"
#include "support/program_run.h"
#include "support/utf8.h"
#include "uiauto/scoped.h"

#include "../fixtures/tavrel_standin/standin.h"

#include <shlobj.h>

namespace e2e {

namespace {

std::wstring AppDataFolder()
{
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

bool MakeFolders(const std::wstring& path)
{
    int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS;
}

bool WriteTextFile(const std::wstring& path, const std::string& content)
{
    return MakeFolders(FolderOf(path)) && WriteFileBytes(path, content);
}

std::string EscapeXml(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped.push_back(c);
        }
    }
    return escaped;
}

} // namespace

InstallScene::InstallScene(const std::wstring& name)
    : product_(name),
      unpackName_(L"E2E-" + product_.BaseName()),
      makerFolder_(AppDataFolder().empty() ? std::wstring() : AppDataFolder() + L"\\Halvest"),
      setupFolder_(unpackName_, makerFolder_),
      targetRoot_(L"install-" + name + L"-target")
{
    program_ = setupFolder_.CopyProgram(PackSetupPath(), L"packsetup.exe");
    installFolder_ = targetRoot_.Path() + L"\\Tavrel Folder";
    ready_ = !makerFolder_.empty() && setupFolder_.Ready() && targetRoot_.Ready() && !program_.empty();
}

InstallScene::~InstallScene() = default;

bool InstallScene::WriteDefinition(const DefinitionContent& content) const
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TavrelSetup>\r\n";
    auto element = [&xml](const char* name, const std::wstring& value) {
        xml += std::string("  <") + name + ">" + EscapeXml(ToUtf8(value)) + "</" + name + ">\r\n";
    };
    element("Caption", content.caption);
    element("BaseRegKey", product_.BaseName());
    element("SfxExtractPath", unpackName_);
    if (!content.packageId.empty())
        element("PackageID", content.packageId);
    if (!content.packageTitle.empty())
        element("PackageTitle", content.packageTitle);
    if (!content.removeFiles.empty() || !content.removeFolders.empty()) {
        xml += "  <RemoveComponents>\r\n";
        for (const std::wstring& file : content.removeFiles)
            element("File", file);
        for (const std::wstring& folder : content.removeFolders)
            element("Directory", folder);
        xml += "  </RemoveComponents>\r\n";
    }
    xml += "</TavrelSetup>\r\n";
    return e2e::WriteDefinition(program_, xml);
}

bool InstallScene::AddPackageFile(const std::wstring& relativePath, const std::string& content) const
{
    return WriteTextFile(setupFolder_.PathOf(L"image\\" + relativePath), content);
}

bool InstallScene::MakeImageFolder() const
{
    return MakeFolders(setupFolder_.PathOf(L"image"));
}

bool InstallScene::PrepareInstallation() const
{
    if (!MakeFolders(installFolder_))
        return false;
    std::wstring tavrel = InstalledPath(L"tavrel.exe");
    if (!CopyFileW(standin::VariantPath(standin::kVersion1_3_0).c_str(), tavrel.c_str(), FALSE))
        return false;
    std::string folder = EscapeXml(ToUtf8(installFolder_));
    std::string manifest = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
                           "<TavrelUninstall>\r\n"
                           "\t<Options>\r\n\t\t<CurrentUser>1</CurrentUser>\r\n\t</Options>\r\n"
                           "\t<Components>\r\n"
                           "\t\t<File>" + folder + "\\tavrel.exe</File>\r\n"
                           "\t\t<Directory>" + folder + "</Directory>\r\n"
                           "\t</Components>\r\n"
                           "</TavrelUninstall>\r\n";
    return WriteFileBytes(ManifestPath(), manifest);
}

bool InstallScene::PrepareUnpackFolder() const
{
    return WriteTextFile(setupFolder_.PathOf(L"extras\\unpacked.txt"), "unpacked file");
}

bool InstallScene::UnpackedPackageRemoved() const
{
    if (!PathExists(UnpackFolder()))
        return true;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((UnpackFolder() + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool onlyProgram = true;
    do {
        std::wstring entry = data.cFileName;
        if (entry != L"." && entry != L".." && _wcsicmp(entry.c_str(), L"packsetup.exe") != 0)
            onlyProgram = false;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return onlyProgram;
}

uiauto::RunResult InstallScene::Run(const std::wstring& arguments, const uiauto::AnswerRules& rules) const
{
    return RunProgram(program_, arguments, rules);
}

bool ReadRegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, std::wstring& value)
{
    uiauto::ScopedRegKey key;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | install_registry::kShippedView, key.Receive())
        != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size)
        != ERROR_SUCCESS)
        return false;
    value.assign(buffer.data());
    return true;
}

bool RegistryValueExists(HKEY root, const std::wstring& keyPath, const wchar_t* valueName)
{
    uiauto::ScopedRegKey key;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | install_registry::kShippedView, key.Receive())
        != ERROR_SUCCESS)
        return false;
    return RegQueryValueExW(key.Get(), valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegistryKeyExists(HKEY root, const std::wstring& keyPath)
{
    uiauto::ScopedRegKey key;
    return RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | install_registry::kShippedView, key.Receive())
        == ERROR_SUCCESS;
}

bool WriteRegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value)
{
    uiauto::ScopedRegKey key;
    if (RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | install_registry::kShippedView, nullptr, key.Receive(), nullptr)
        != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path)
{
    uiauto::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file)
        return bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    return bytes;
}

bool ManifestLists(const std::string& manifest, const wchar_t* element, const std::wstring& path)
{
    std::string name = ToUtf8(element);
    return manifest.find("<" + name + ">" + EscapeXml(ToUtf8(path)) + "</" + name + ">") != std::string::npos;
}

std::wstring ProcessCommandLine(DWORD processId)
{
    // The layouts of the process's basic information, its environment block
    // and its parameters, as far as they are read here, for a process of the
    // same width as this one.
    struct BasicInformation {
        LONG exitStatus;
        ULONG_PTR pebAddress;
        ULONG_PTR affinityMask;
        LONG basePriority;
        ULONG_PTR processId;
        ULONG_PTR parentProcessId;
    };
    struct CountedString {
        USHORT length;
        USHORT maximumLength;
        ULONG_PTR buffer;
    };
    const bool wide = sizeof(void*) == 8;
    const SIZE_T kParametersOffset = wide ? 0x20 : 0x10;  // PEB.ProcessParameters
    const SIZE_T kCommandLineOffset = wide ? 0x70 : 0x40; // RTL_USER_PROCESS_PARAMETERS.CommandLine
    typedef LONG(WINAPI * QueryInformationFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);

    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    QueryInformationFn query = ntdll ? reinterpret_cast<QueryInformationFn>(
                                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")))
                                     : nullptr;
    uiauto::ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!query || !process)
        return std::wstring();
    BasicInformation basic = {};
    if (query(process.Get(), 0, &basic, sizeof(basic), nullptr) != 0)
        return std::wstring();
    ULONG_PTR parameters = 0;
    CountedString commandLine = {};
    SIZE_T read = 0;
    if (!ReadProcessMemory(process.Get(), reinterpret_cast<void*>(basic.pebAddress + kParametersOffset), &parameters,
                           sizeof(parameters), &read)
        || !ReadProcessMemory(process.Get(), reinterpret_cast<void*>(parameters + kCommandLineOffset), &commandLine,
                              sizeof(commandLine), &read))
        return std::wstring();
    std::wstring text(commandLine.length / sizeof(wchar_t), L'\0');
    if (!text.empty()
        && !ReadProcessMemory(process.Get(), reinterpret_cast<void*>(commandLine.buffer), &text[0],
                              commandLine.length, &read))
        return std::wstring();
    return text;
}

std::wstring StartQuestionText()
{
    return Localized(L"Completing the additional data setup.\nWould you like to start Tavrel! ?",
                     L"追加データのセットアップが完了しました。\n\nTavrel! を起動しますか？");
}

std::wstring CancelledText()
{
    return Localized(L"Setup has been cancelled.", L"追加データのセットアップは中止されました。");
}

std::wstring PackageMissingText()
{
    return Localized(
        L"Could not find the original installation file. The install package may have been damaged.",
        L"インストール元ファイルが見つかりませんでした。インストール パッケージが破損している可能性があります。");
}

std::wstring InvalidFolderText()
{
    return Localized(L"The selected folder name is invalid.\nPlease check the name has no invalid characters.",
                     L"指定されたインストール先フォルダは名前が不正であるか、使用できません。");
}

std::wstring InvalidCharactersText()
{
    return Localized(L"There are some invalid characters in the folder name.",
                     L"指定されたインストール先フォルダ名に、フォルダ名として使用できない文字が含まれています。");
}

std::wstring CopyFailedText()
{
    return Localized(L"Failed to copy the file. Please check if the file is in use.",
                     L"ファイルのコピーに失敗しました。ファイルが使用中でないか確認してください。");
}

std::wstring LowSpaceQuestionText()
{
    return Localized(L"Setup has detected that there is not enough disk space on the selected drive.\nIf you think "
                     L"there are enough space on the drive, you can continue.\nWould you like to proceed?",
                     L"指定されたインストール先ドライブの空き容量が不足しているか、空き容量を確認できませんでした。\n"
                     L"空き容量に問題が無いと思われる場合は、続行することもできます。\n\nインストールを続行しますか？");
}

std::wstring CancelQuestionText()
{
    return Localized(L"If you cancel here, the file condition will not be completed and may not work properly "
                     L"until you re-install Tavrel!.  Are you sure to cancel updating?",
                     L"アップデートを中止すると、ファイルの状態が中途半端になり、Tavrel! "
                     L"を再インストールするまで正常動作しなくなる恐れがあります。\nアップデートを本当に中止してもよ"
                     L"ろしいですか？");
}

} // namespace e2e

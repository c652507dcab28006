#pragma once

// A package installation for one test: packsetup.exe with its definition and
// image folder where a self-extractor leaves them, in an unpack folder below
// %APPDATA%\Halvest; a stand-in Tavrel! installation with its uninstall
// manifest in a scratch folder, and the product key under both hives.
// Everything goes when the scene does.
#include <windows.h>

#include "support/definition_file.h"
#include "support/scratch_folder.h"
#include "uiauto/session.h"

#include "../fixtures/install_registry/install_registry.h"

#include <string>
#include <vector>

namespace e2e {

struct DefinitionContent {
    std::wstring caption;
    std::wstring packageId;
    std::wstring packageTitle;
    std::vector<std::wstring> removeFiles;
    std::vector<std::wstring> removeFolders;
};

class InstallScene {
public:
    // The name makes folders, keys and the unpack folder unique to the test.
    explicit InstallScene(const std::wstring& name);
    ~InstallScene();
    InstallScene(const InstallScene&) = delete;
    InstallScene& operator=(const InstallScene&) = delete;

    bool Ready() const { return ready_; }

    bool WriteDefinition(const DefinitionContent& content) const;
    // A file of the package, below the image folder (created on first use).
    bool AddPackageFile(const std::wstring& relativePath, const std::string& content) const;
    // The image folder, empty.
    bool MakeImageFolder() const;

    // Tavrel!'s installation folder below the scene, "Tavrel Folder" with a blank.
    const std::wstring& InstallFolder() const { return installFolder_; }
    std::wstring InstalledPath(const std::wstring& relativePath) const
    {
        return installFolder_ + L"\\" + relativePath;
    }
    // The installation folder with tavrel.exe 1.3.0 and the manifest that the
    // product's setup writes.
    bool PrepareInstallation() const;
    std::wstring ManifestPath() const { return InstalledPath(L"tavrelunsetup.dat"); }

    // A file in a subfolder of the unpack folder beside the package, as a
    // self-extractor may leave more than the installer needs.
    bool PrepareUnpackFolder() const;
    // The folder that packsetup.exe runs from, %APPDATA%\Halvest\<name>.
    const std::wstring& UnpackFolder() const { return setupFolder_.Path(); }
    const std::wstring& MakerFolder() const { return makerFolder_; }
    // Whether the unpacked package is gone but for the program that ran from
    // it, which no one can delete while it runs.
    bool UnpackedPackageRemoved() const;

    const install_registry::ScopedProductKey& Product() const { return product_; }
    // Software\Halvest\<BaseRegKey>\Package\<id>.
    std::wstring PackageKey(const std::wstring& packageId) const
    {
        return product_.Path() + L"\\Package\\" + packageId;
    }

    const std::wstring& Program() const { return program_; }
    const std::wstring& SetupFolder() const { return setupFolder_.Path(); }

    // Runs packsetup.exe from its folder with the arguments.
    uiauto::RunResult Run(const std::wstring& arguments, const uiauto::AnswerRules& rules) const;

private:
    install_registry::ScopedProductKey product_;
    std::wstring unpackName_;
    std::wstring makerFolder_;
    ScratchFolder setupFolder_;
    ScratchFolder targetRoot_;
    std::wstring program_;
    std::wstring installFolder_;
    bool ready_ = false;
};

// Registry values in either hive, in the view of the shipped programs
// (install_registry::kShippedView).
bool ReadRegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, std::wstring& value);
bool RegistryValueExists(HKEY root, const std::wstring& keyPath, const wchar_t* valueName);
bool RegistryKeyExists(HKEY root, const std::wstring& keyPath);
bool WriteRegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& value);

bool PathExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
// Whether the manifest lists the path as an element of that name.
bool ManifestLists(const std::string& manifest, const wchar_t* element, const std::wstring& path);

// The command line of a running process, read from its process parameters;
// empty when it cannot be read.
std::wstring ProcessCommandLine(DWORD processId);

// The texts of the install sequence in the run's language.
std::wstring StartQuestionText();  // 171
std::wstring CancelledText();      // 172
std::wstring PackageMissingText(); // 106
std::wstring InvalidFolderText();  // 150
std::wstring InvalidCharactersText(); // 152
std::wstring CopyFailedText();     // 109
std::wstring CancelQuestionText(); // 156
std::wstring LowSpaceQuestionText(); // 151

} // namespace e2e

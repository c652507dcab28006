#include "packcheck/definition_check.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/xml/definition_file.h"
#include "packsetup/version_check.h"

namespace {

const wchar_t* const kRequiredElements[] = {L"Caption", L"BaseRegKey", L"SfxExtractPath"};
const wchar_t* const kRootElements[] = {L"Caption",   L"BaseRegKey",   L"SfxExtractPath",       L"RemoveComponents",
                                        L"PackageID", L"PackageTitle", L"RequiredTavrelVersion"};
const wchar_t* const kRemovalElements[] = {L"File", L"Directory"};

std::vector<std::wstring>* recordedTexts = nullptr;

int RecordMessage(HWND, const std::wstring& text, const std::wstring&, UINT)
{
    if (recordedTexts)
        recordedTexts->push_back(text);
    return IDOK;
}

// While it lives, the reader's message boxes are recorded instead of shown.
class RecordedMessages {
public:
    RecordedMessages() : previous_(SetMessageBoxHandler(RecordMessage)) { recordedTexts = &texts_; }
    ~RecordedMessages()
    {
        recordedTexts = nullptr;
        SetMessageBoxHandler(previous_);
    }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    const std::vector<std::wstring>& Texts() const { return texts_; }

private:
    MessageBoxHandler previous_;
    std::vector<std::wstring> texts_;
};

template <size_t N>
bool IsKnown(const std::wstring& name, const wchar_t* const (&known)[N])
{
    for (const wchar_t* candidate : known) {
        if (name == candidate)
            return true;
    }
    return false;
}

// Element names are case-sensitive: "Pathname" is not read for "PathName".
template <size_t N>
void CheckElementNames(qz_xml::QXMLNode& parent, const wchar_t* const (&known)[N], const std::wstring& prefix,
                       ProblemList& problems)
{
    qz_xml::QXMLNodeList children = parent.SelectNodes(L"./*");
    if (!children.IsValid())
        return;
    for (auto it = children.begin(); it != children.end(); ++it) {
        std::wstring name = (*it).GetNodeName();
        if (!IsKnown(name, known))
            problems.Add(kDefinitionFileName, prefix + name, L"unknown element, ignored by the installer (misspelt?)");
    }
}

} // namespace

bool CheckDefinition(const std::wstring& packageFolder, PackageDefinition& definition, ProblemList& problems)
{
    std::wstring path = packageFolder + L"\\" + kDefinitionFileName;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problems.Add(kDefinitionFileName, L"missing");
        return false;
    }

    qz_xml::QXMLDocument document;
    if (!document.Create()) {
        problems.Add(kDefinitionFileName, L"cannot be read: no XML parser");
        return false;
    }
    if (!document.Load(path)) {
        long line = 0;
        long column = 0;
        std::wstring reason;
        if (document.GetParseError(line, column, reason)) {
            // Some parsers give a reason without a position.
            std::wstring position;
            if (line > 0)
                position = L" at line " + std::to_wstring(line) + L", column " + std::to_wstring(column);
            problems.Add(kDefinitionFileName, L"not well-formed" + position + L": " + reason);
        } else
            problems.Add(kDefinitionFileName, L"cannot be read");
        return false;
    }
    qz_xml::QXMLNode root = document.SelectSingleNode(L"/TavrelSetup");
    if (!root.IsValid()) {
        problems.Add(kDefinitionFileName, document.SelectSingleNode(L"/*").GetNodeName(),
                     L"wrong root element; the installer reads <TavrelSetup>");
        return false;
    }

    bool loaded;
    {
        RecordedMessages silenced;
        loaded = LoadPackageDefinitionFile(path, definition);
    }
    // The installer stops at the first missing element; the author wants them all.
    for (const wchar_t* name : kRequiredElements) {
        RecordedMessages messages;
        std::wstring text;
        if (!qz_xml::ReadRequiredElement(root, name, std::wstring(), text) && !messages.Texts().empty())
            problems.Add(kDefinitionFileName, name, messages.Texts().back());
    }

    RequiredVersion version;
    if (loaded && !definition.requiredVersion.empty() && !ParseRequiredVersion(definition.requiredVersion, version))
        problems.Add(kDefinitionFileName, L"RequiredTavrelVersion",
                     L"\"" + definition.requiredVersion
                         + L"\" is not three numbers joined by dots (Error code: Invalid RequiredVersion field)");

    CheckElementNames(root, kRootElements, std::wstring(), problems);
    qz_xml::QXMLNodeList removals = root.SelectNodes(L"./RemoveComponents");
    if (removals.IsValid()) {
        for (auto it = removals.begin(); it != removals.end(); ++it)
            CheckElementNames(*it, kRemovalElements, L"RemoveComponents/", problems);
    }
    return loaded;
}

#include "packcheck/definition_check.h"

#include <windows.h>

#include <cwchar>

#include "common/win/file_names.h"
#include "common/win/message_box.h"
#include "common/xml/definition_file.h"
#include "packcheck/definition_encoding.h"
#include "packcheck/long_paths.h"
#include "packsetup/package_paths.h"
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
                       const std::wstring& fileName, ProblemList& problems)
{
    qz_xml::QXMLNodeList children = parent.SelectNodes(L"./*");
    if (!children.IsValid())
        return;
    for (auto it = children.begin(); it != children.end(); ++it) {
        std::wstring name = (*it).GetNodeName();
        if (!IsKnown(name, known))
            problems.Problem(L"unknown-element", fileName, prefix + name,
                             L"unknown element, ignored by the installer (misspelt?)");
    }
}

std::wstring HexByte(unsigned value)
{
    wchar_t text[8];
    swprintf(text, 8, L"0x%02X", value);
    return text;
}

void ReportNotWellFormed(qz_xml::QXMLDocument& document, const std::wstring& fileName,
                         const std::vector<ParsePosition>& otherParser, ProblemList& problems)
{
    Finding finding;
    finding.file = fileName;
    finding.code = L"not-well-formed";
    std::wstring reason;
    if (!document.GetParseError(finding.line, finding.column, reason)) {
        finding.code = L"unreadable";
        finding.message = L"cannot be read";
        problems.Add(std::move(finding));
        return;
    }
    if (finding.line <= 0) {
        // Wine's parser gives its reason without a position.
        for (const ParsePosition& position : otherParser) {
            if (SameFileName(position.file, fileName)) {
                finding.line = position.line;
                finding.column = position.column;
                reason = position.reason;
                break;
            }
        }
    }
    finding.message = L"not well-formed: " + reason;
    problems.Add(std::move(finding));
}

// A required element: the installer stops at the first one that is absent
// or empty; the author wants to hear of all of them, and which it is.
void CheckRequiredElement(qz_xml::QXMLNode& root, const wchar_t* name, const std::wstring& fileName,
                          ProblemList& problems)
{
    RecordedMessages messages;
    std::wstring text;
    if (qz_xml::ReadRequiredElement(root, name, std::wstring(), text) || messages.Texts().empty())
        return;
    bool present = root.SelectSingleNode(std::wstring(L"./") + name).IsValid();
    problems.Problem(present ? L"empty-element" : L"missing-element", fileName, name,
                     std::wstring(present ? L"empty" : L"missing") + L"; the installer stops with \""
                         + messages.Texts().back() + L"\"");
}

void CheckRequiredVersion(const std::wstring& text, const std::wstring& fileName, ProblemList& problems)
{
    RequiredVersion version;
    std::wstring ignored;
    if (!ParseRequiredVersion(text, version, ignored))
        problems.Problem(L"malformed-version", fileName, L"RequiredTavrelVersion",
                         L"\"" + text
                             + L"\" is not three numbers joined by dots (Error code: Invalid RequiredVersion field)");
    else if (!ignored.empty())
        problems.Warning(L"version-parts-ignored", fileName, L"RequiredTavrelVersion",
                         L"\"" + text + L"\": the installer compares " + std::to_wstring(version.major) + L"."
                             + std::to_wstring(version.minor) + L"." + std::to_wstring(version.build)
                             + L" and ignores \"" + ignored + L"\"");
}

} // namespace

bool ParseParsePosition(const std::wstring& text, ParsePosition& position)
{
    size_t first = text.find(L':');
    size_t second = first == std::wstring::npos ? first : text.find(L':', first + 1);
    size_t third = second == std::wstring::npos ? second : text.find(L':', second + 1);
    if (third == std::wstring::npos || first == 0)
        return false;
    ParsePosition parsed;
    parsed.file = text.substr(0, first);
    wchar_t* end = nullptr;
    parsed.line = wcstol(text.c_str() + first + 1, &end, 10);
    if (end != text.c_str() + second || parsed.line <= 0)
        return false;
    parsed.column = wcstol(text.c_str() + second + 1, &end, 10);
    if (end != text.c_str() + third || parsed.column < 0)
        return false;
    parsed.reason = text.substr(third + 1);
    position = parsed;
    return true;
}

bool CheckDefinition(const std::wstring& packageFolder, const std::wstring& fileName,
                     const std::vector<ParsePosition>& otherParser, PackageDefinition& definition,
                     std::wstring& encodingSummary, ProblemList& problems)
{
    std::wstring path = packageFolder + L"\\" + fileName;
    DWORD attributes = GetFileAttributesW(ExtendedLengthPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problems.Problem(L"missing-definition", fileName, std::wstring(), L"missing");
        return false;
    }
    // The XML reader opens paths of MAX_PATH only; the installer reads the
    // definition from its short unpack folder.
    if (!FitsMaxPath(path)) {
        problems.Problem(L"definition-path-too-long", fileName, std::wstring(),
                         L"path of " + std::to_wstring(path.size())
                             + L" characters, too long for the XML reader; move the package to a shorter folder to check it");
        return false;
    }

    qz_xml::QXMLDocument document;
    if (!document.Create()) {
        problems.Problem(L"no-parser", fileName, std::wstring(), L"cannot be read: no XML parser");
        return false;
    }
    bool wellFormed = document.Load(path);
    DefinitionEncoding encoding;
    if (ReadDefinitionEncoding(path, encoding))
        encodingSummary = encoding.description + (wellFormed ? L"; the installer reads it" : L"; the installer cannot read it");
    if (encoding.badLine > 0) {
        // A Shift_JIS save of a file that declares UTF-8, or has no declaration.
        Finding finding;
        finding.severity = wellFormed ? Severity::Warning : Severity::Problem;
        finding.file = fileName;
        finding.line = encoding.badLine;
        finding.column = encoding.badByte;
        finding.code = L"not-utf8";
        finding.message = L"not UTF-8 as read: byte " + HexByte(encoding.badValue) + L" at line "
                          + std::to_wstring(encoding.badLine) + L", byte " + std::to_wstring(encoding.badByte)
                          + L" (saved as Shift_JIS or another code page?); save it as UTF-8 or declare its encoding";
        problems.Add(std::move(finding));
        if (!wellFormed)
            return false;
    }
    if (!wellFormed) {
        ReportNotWellFormed(document, fileName, otherParser, problems);
        return false;
    }
    qz_xml::QXMLNode root = document.SelectSingleNode(L"/TavrelSetup");
    if (!root.IsValid()) {
        problems.Problem(L"wrong-root", fileName, document.SelectSingleNode(L"/*").GetNodeName(),
                         L"wrong root element; the installer reads <TavrelSetup>");
        return false;
    }

    bool loaded;
    {
        RecordedMessages silenced;
        loaded = LoadPackageDefinitionFile(path, definition);
    }
    for (const wchar_t* name : kRequiredElements)
        CheckRequiredElement(root, name, fileName, problems);
    if (loaded && !definition.requiredVersion.empty())
        CheckRequiredVersion(definition.requiredVersion, fileName, problems);

    CheckElementNames(root, kRootElements, std::wstring(), fileName, problems);
    qz_xml::QXMLNodeList removals = root.SelectNodes(L"./RemoveComponents");
    if (removals.IsValid()) {
        for (auto it = removals.begin(); it != removals.end(); ++it)
            CheckElementNames(*it, kRemovalElements, L"RemoveComponents/", fileName, problems);
    }
    return loaded;
}

// The self-extractor's own rules: which file names from a cabinet stay
// below the unpack folder, and where the package lies in a file that may
// have been cut short or signed.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/scoped_handle.h"
#include "packsfx/archive_names.h"
#include "packsfx/payload.h"

namespace {

std::vector<char> ReadWhole(const std::wstring& path)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    REQUIRE((file && GetFileSizeEx(file.get(), &size) && size.QuadPart > 0));
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    REQUIRE(ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr));
    REQUIRE(read == bytes.size());
    return bytes;
}

// A program file (this test's own) with a made-up cabinet and its trailer.
std::vector<char> ProgramWithPayload(uint64_t& cabinetOffset, const std::string& cabinet)
{
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::vector<char> bytes = ReadWhole(own);
    cabinetOffset = bytes.size();
    bytes.insert(bytes.end(), cabinet.begin(), cabinet.end());
    PayloadTrailer trailer = {};
    trailer.cabinetOffset = cabinetOffset;
    trailer.cabinetSize = cabinet.size();
    trailer.cabinetCrc = UpdateCrc32(0, cabinet.data(), cabinet.size());
    memcpy(trailer.magic, kPayloadMagic, sizeof(trailer.magic));
    const char* raw = reinterpret_cast<const char*>(&trailer);
    bytes.insert(bytes.end(), raw, raw + sizeof(trailer));
    return bytes;
}

// Writes the bytes to a scratch file and locates the payload in it.
PayloadLocation Locate(const std::vector<char>& bytes, PayloadRange& range, bool& checksumMatches)
{
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    REQUIRE(GetTempPathW(MAX_PATH, folder) != 0);
    REQUIRE(GetTempFileNameW(folder, L"sfx", 0, path) != 0);
    PayloadLocation location;
    {
        ScopedHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        REQUIRE(file);
        REQUIRE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        REQUIRE(written == bytes.size());
        location = LocatePayload(file.get(), range);
        checksumMatches = location == PayloadLocation::Found && PayloadChecksumMatches(file.get(), range);
    }
    DeleteFileW(path);
    return location;
}

// Sets the PE security directory, as a signer does, to a certificate that
// starts at the given offset.
void PointSecurityDirectory(std::vector<char>& bytes, uint32_t offset, uint32_t size)
{
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, bytes.data(), sizeof(dos));
    size_t optional = static_cast<size_t>(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
    WORD magic = 0;
    memcpy(&magic, bytes.data() + optional, sizeof(magic));
    size_t directories = optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                         ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                                         : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory));
    IMAGE_DATA_DIRECTORY security = {offset, size};
    memcpy(bytes.data() + directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY), &security,
           sizeof(security));
}

bool Inside(const wchar_t* name, std::wstring& relative)
{
    return ArchiveNameInsideFolder(name, relative);
}

} // namespace

TEST_CASE("a file name from the cabinet names a file below the unpack folder or is refused")
{
    std::wstring relative;
    CHECK(Inside(L"image\\Materials\\a.txt", relative));
    CHECK(relative == L"image\\Materials\\a.txt");
    CHECK(Inside(L"image/Materials/a.txt", relative));
    CHECK(relative == L"image\\Materials\\a.txt");
    for (const wchar_t* escaping : {L"..\\a.txt", L"image\\..\\..\\a.txt", L"\\Windows\\a.txt", L"/etc/a.txt",
                                    L"C:a.txt", L"C:\\a.txt", L"image\\a.txt:stream", L"image\\.\\a.txt",
                                    L"image\\\\a.txt", L"image\\a.txt.", L"image \\a.txt", L"image\\nul.txt",
                                    L"COM1", L"image\\a?.txt", L""}) {
        CAPTURE(std::wstring(escaping));
        CHECK_FALSE(Inside(escaping, relative));
    }
}

TEST_CASE("the package is found from the end of the file, before a signature, and a cut or changed file is told")
{
    CHECK(UpdateCrc32(0, "123456789", 9) == 0xCBF43926u);

    uint64_t offset = 0;
    std::vector<char> bytes = ProgramWithPayload(offset, std::string(5000, 'c') + "cabinet");
    PayloadRange range;
    bool matches = false;
    REQUIRE(Locate(bytes, range, matches) == PayloadLocation::Found);
    CHECK(range.offset == offset);
    CHECK(range.size == 5007);
    CHECK(matches);

    std::vector<char> cut(bytes.begin(), bytes.end() - 1);
    CHECK(Locate(cut, range, matches) == PayloadLocation::Missing);

    std::vector<char> changed(bytes);
    changed[static_cast<size_t>(offset) + 100] ^= 1;
    REQUIRE(Locate(changed, range, matches) == PayloadLocation::Found);
    CHECK_FALSE(matches);

    // A signer pads to 8 bytes and appends the certificate behind everything.
    std::vector<char> signedBytes(bytes);
    signedBytes.insert(signedBytes.end(), 5, '\0');
    uint32_t certificate = static_cast<uint32_t>(signedBytes.size());
    signedBytes.insert(signedBytes.end(), 300, 'S');
    PointSecurityDirectory(signedBytes, certificate, 300);
    REQUIRE(Locate(signedBytes, range, matches) == PayloadLocation::Found);
    CHECK(range.offset == offset);
    CHECK(matches);

    // A trailer that puts the cabinet inside the program itself.
    std::vector<char> inside(bytes);
    uint64_t wrong = 64;
    memcpy(inside.data() + inside.size() - sizeof(PayloadTrailer), &wrong, sizeof(wrong));
    CHECK(Locate(inside, range, matches) == PayloadLocation::Damaged);
}

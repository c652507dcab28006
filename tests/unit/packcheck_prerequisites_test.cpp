// The package checker's view of the setup program and library that the
// 32-bit installer will start and load: machine, kind and exports read from
// images made here byte by byte and from the stand-ins the linker built.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "packcheck/pe_image.h"
#include "packcheck/prerequisite_check.h"
#include "tests/unit/build_tree.h"

namespace {

struct ImageSpec {
    WORD machine = IMAGE_FILE_MACHINE_I386;
    bool dll = true;
    WORD subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
    std::vector<std::string> exports;
};

void Put16(std::vector<unsigned char>& bytes, size_t at, WORD value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char>& bytes, size_t at, DWORD value)
{
    Put16(bytes, at, static_cast<WORD>(value));
    Put16(bytes, at + 2, static_cast<WORD>(value >> 16));
}

// A PE32 image for a 32-bit machine, PE32+ otherwise, with one section that
// holds the export table; the file ends with the last name's terminator.
std::vector<unsigned char> MakeImage(const ImageSpec& spec)
{
    const bool plus = spec.machine != IMAGE_FILE_MACHINE_I386;
    const size_t pe = 0x80, optional = pe + 24, optionalSize = plus ? 240 : 224;
    const size_t section = optional + optionalSize, raw = 0x200;
    const DWORD rva = 0x1000;
    std::vector<unsigned char> bytes(raw + 40 + 4 * spec.exports.size());
    for (const std::string& name : spec.exports)
        bytes.insert(bytes.end(), name.c_str(), name.c_str() + name.size() + 1);

    Put16(bytes, 0, IMAGE_DOS_SIGNATURE);
    Put32(bytes, 0x3c, pe);
    Put32(bytes, pe, IMAGE_NT_SIGNATURE);
    Put16(bytes, pe + 4, spec.machine);
    Put16(bytes, pe + 6, 1);
    Put16(bytes, pe + 20, static_cast<WORD>(optionalSize));
    Put16(bytes, pe + 22, static_cast<WORD>(IMAGE_FILE_EXECUTABLE_IMAGE | (spec.dll ? IMAGE_FILE_DLL : 0)));
    Put16(bytes, optional, plus ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    Put32(bytes, optional + 60, raw);
    Put16(bytes, optional + 68, spec.subsystem);
    const size_t directories = optional + (plus ? 108 : 92);
    Put32(bytes, directories, 16);
    const DWORD sectionSize = static_cast<DWORD>(bytes.size() - raw);
    if (!spec.exports.empty()) {
        Put32(bytes, directories + 4, rva);
        Put32(bytes, directories + 8, sectionSize);
    }
    Put32(bytes, section + 8, sectionSize);
    Put32(bytes, section + 12, rva);
    Put32(bytes, section + 16, sectionSize);
    Put32(bytes, section + 20, raw);

    Put32(bytes, raw + 24, static_cast<DWORD>(spec.exports.size()));
    Put32(bytes, raw + 32, rva + 40);
    DWORD nameRva = rva + 40 + static_cast<DWORD>(4 * spec.exports.size());
    for (size_t i = 0; i < spec.exports.size(); ++i) {
        Put32(bytes, raw + 40 + 4 * i, nameRva);
        nameRva += static_cast<DWORD>(spec.exports[i].size() + 1);
    }
    return bytes;
}

ImageSpec DirectXLibrary()
{
    ImageSpec spec;
    spec.exports = {"DirectXSetupA", "DirectXSetupShowEULA", "DirectXSetupW"};
    return spec;
}

bool Parse(const std::vector<unsigned char>& bytes, PeImageFacts& facts)
{
    return ParsePeImage(bytes.data(), bytes.size(), facts);
}

std::vector<std::wstring> LibraryProblems(const PeImageFacts* facts)
{
    ProblemList problems;
    CheckDirectXSetupLibrary(facts, L"directx\\dsetup.dll", problems);
    return problems.Lines();
}

std::vector<std::wstring> ProgramProblems(const PeImageFacts* facts)
{
    ProblemList problems;
    CheckDotnetSetupProgram(facts, L"dotnet\\dotnetfx3.exe", problems);
    return problems.Lines();
}

} // namespace

TEST_CASE("dsetup.dll must be a 32-bit DLL that exports both entry points")
{
    PeImageFacts facts;
    REQUIRE(Parse(MakeImage(DirectXLibrary()), facts));
    CHECK(facts.machine == IMAGE_FILE_MACHINE_I386);
    CHECK(facts.exportNames.size() == 3u);
    CHECK(LibraryProblems(&facts).empty());

    ImageSpec wrong = DirectXLibrary();
    wrong.machine = IMAGE_FILE_MACHINE_AMD64;
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(ExportsName(facts, "DirectXSetupW"));
    CHECK(LibraryProblems(&facts)
          == std::vector<std::wstring>{L"directx\\dsetup.dll: a DLL for machine 0x8664, not 32-bit x86 (0x14c); "
                                       L"the 32-bit installer cannot load it"});

    wrong = DirectXLibrary();
    wrong.exports = {"DirectXSetupShowEULA", "DirectXSetupA"};
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(LibraryProblems(&facts)
          == std::vector<std::wstring>{L"directx\\dsetup.dll: exports no DirectXSetupW; the installer cannot run "
                                       L"the DirectX setup without it"});

    wrong = DirectXLibrary();
    wrong.dll = false;
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(LibraryProblems(&facts)
          == std::vector<std::wstring>{L"directx\\dsetup.dll: not a Windows DLL; the installer cannot load it"});
    CHECK(LibraryProblems(nullptr) == LibraryProblems(&facts));
}

TEST_CASE("the .NET setup must be a 32-bit Windows program")
{
    ImageSpec program;
    program.dll = false;
    PeImageFacts facts;
    REQUIRE(Parse(MakeImage(program), facts));
    CHECK(facts.exportNames.empty());
    CHECK(ProgramProblems(&facts).empty());
    program.subsystem = IMAGE_SUBSYSTEM_WINDOWS_CUI;
    REQUIRE(Parse(MakeImage(program), facts));
    CHECK(ProgramProblems(&facts).empty());

    const std::vector<std::wstring> notAProgram = {
        L"dotnet\\dotnetfx3.exe: not a Windows program; the installer cannot start it"};
    CHECK(ProgramProblems(nullptr) == notAProgram);
    ImageSpec wrong = program;
    wrong.dll = true;
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(ProgramProblems(&facts) == notAProgram);
    wrong = program;
    wrong.subsystem = IMAGE_SUBSYSTEM_NATIVE;
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(ProgramProblems(&facts) == notAProgram);

    wrong = program;
    wrong.machine = IMAGE_FILE_MACHINE_AMD64;
    REQUIRE(Parse(MakeImage(wrong), facts));
    CHECK(ProgramProblems(&facts)
          == std::vector<std::wstring>{L"dotnet\\dotnetfx3.exe: a program for machine 0x8664, not 32-bit x86 "
                                       L"(0x14c); 32-bit Windows cannot start it"});
}

TEST_CASE("a damaged or cut image is refused without reading past its bytes")
{
    const std::vector<unsigned char> whole = MakeImage(DirectXLibrary());
    PeImageFacts facts;
    // Each cut copy is exactly as long as the cut, so a read past it would
    // leave the heap block.
    for (size_t length = 0; length < whole.size(); ++length) {
        std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        INFO("length " << length);
        CHECK_FALSE(ParsePeImage(cut.data(), cut.size(), facts));
    }

    std::vector<unsigned char> damaged = whole;
    Put32(damaged, 0x3c, 0xfffffffc);
    CHECK_FALSE(Parse(damaged, facts));
    damaged = whole;
    Put32(damaged, 0x200 + 24, 0xffffffff); // more names than the file could hold
    CHECK_FALSE(Parse(damaged, facts));
    damaged = whole;
    Put32(damaged, 0x200 + 40, 0x7ffffff0); // a name outside every section
    CHECK_FALSE(Parse(damaged, facts));
    damaged = whole;
    damaged.pop_back(); // the last name without its terminator
    CHECK_FALSE(Parse(damaged, facts));
}

TEST_CASE("the stand-ins that the linker built are read as the loader sees them")
{
    const std::wstring folder = build_tree::PathOf(L"tests\\fixtures\\dsetup_standin\\");
    PeImageFacts facts;
    REQUIRE(ReadPeImageFile(folder + L"dsetup.dll", facts));
    CHECK(facts.machine == (sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386));
    CHECK((facts.characteristics & IMAGE_FILE_DLL) != 0);
    CHECK(ExportsName(facts, "DirectXSetupShowEULA"));
    CHECK(ExportsName(facts, "DirectXSetupW"));

    REQUIRE(ReadPeImageFile(folder + L"dsetup_without_setup.dll", facts));
    CHECK(ExportsName(facts, "DirectXSetupShowEULA"));
    CHECK_FALSE(ExportsName(facts, "DirectXSetupW"));

    REQUIRE(ReadPeImageFile(build_tree::PathOf(L"tests\\fixtures\\dotnetfx3_standin\\dotnetfx3.exe"), facts));
    CHECK((facts.characteristics & IMAGE_FILE_DLL) == 0);
    CHECK(facts.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI);

    CHECK_FALSE(ReadPeImageFile(build_tree::PathOf(L"CMakeCache.txt"), facts));
    CHECK_FALSE(ReadPeImageFile(folder + L"missing.dll", facts));
}

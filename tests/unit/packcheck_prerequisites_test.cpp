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

struct ImageRecipe {
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
std::vector<unsigned char> MakeImage(const ImageRecipe& recipe)
{
    const bool plus = recipe.machine != IMAGE_FILE_MACHINE_I386;
    const size_t pe = 0x80, optional = pe + 24, optionalSize = plus ? 240 : 224;
    const size_t section = optional + optionalSize, raw = 0x200;
    const DWORD rva = 0x1000;
    std::vector<unsigned char> bytes(raw + 40 + 4 * recipe.exports.size());
    for (const std::string& name : recipe.exports)
        bytes.insert(bytes.end(), name.c_str(), name.c_str() + name.size() + 1);

    Put16(bytes, 0, IMAGE_DOS_SIGNATURE);
    Put32(bytes, 0x3c, pe);
    Put32(bytes, pe, IMAGE_NT_SIGNATURE);
    Put16(bytes, pe + 4, recipe.machine);
    Put16(bytes, pe + 6, 1);
    Put16(bytes, pe + 20, static_cast<WORD>(optionalSize));
    Put16(bytes, pe + 22, static_cast<WORD>(IMAGE_FILE_EXECUTABLE_IMAGE | (recipe.dll ? IMAGE_FILE_DLL : 0)));
    Put16(bytes, optional, plus ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    Put32(bytes, optional + 60, raw);
    Put16(bytes, optional + 68, recipe.subsystem);
    const size_t directories = optional + (plus ? 108 : 92);
    Put32(bytes, directories, 16);
    const DWORD sectionSize = static_cast<DWORD>(bytes.size() - raw);
    if (!recipe.exports.empty()) {
        Put32(bytes, directories + 4, rva);
        Put32(bytes, directories + 8, sectionSize);
    }
    Put32(bytes, section + 8, sectionSize);
    Put32(bytes, section + 12, rva);
    Put32(bytes, section + 16, sectionSize);
    Put32(bytes, section + 20, raw);

    Put32(bytes, raw + 24, static_cast<DWORD>(recipe.exports.size()));
    Put32(bytes, raw + 32, rva + 40);
    DWORD nameRva = rva + 40 + static_cast<DWORD>(4 * recipe.exports.size());
    for (size_t i = 0; i < recipe.exports.size(); ++i) {
        Put32(bytes, raw + 40 + 4 * i, nameRva);
        nameRva += static_cast<DWORD>(recipe.exports[i].size() + 1);
    }
    return bytes;
}

ImageRecipe DirectXLibrary()
{
    ImageRecipe recipe;
    recipe.exports = {"DirectXSetupA", "DirectXSetupShowEULA", "DirectXSetupW"};
    return recipe;
}

ImageRecipe SetupProgram()
{
    ImageRecipe recipe;
    recipe.dll = false;
    return recipe;
}

bool Parse(const std::vector<unsigned char>& bytes, PeImageFacts& facts)
{
    return ParsePeImage(bytes.data(), bytes.size(), facts);
}

std::vector<std::wstring> LinesOf(const ProblemList& problems)
{
    std::vector<std::wstring> lines;
    for (const Finding& finding : problems.Findings())
        lines.push_back(FindingLine(finding));
    return lines;
}

// The lines that a check adds for the image made from the recipe.
std::vector<std::wstring> Problems(const ImageRecipe& recipe,
                                   void (*check)(const PeImageFacts*, const std::wstring&, ProblemList&))
{
    PeImageFacts facts;
    ProblemList problems;
    REQUIRE(Parse(MakeImage(recipe), facts));
    check(&facts, L"here", problems);
    return LinesOf(problems);
}

typedef std::vector<std::wstring> Lines;

} // namespace

TEST_CASE("dsetup.dll must be a 32-bit DLL that exports both entry points")
{
    CHECK(Problems(DirectXLibrary(), CheckDirectXSetupLibrary).empty());

    ImageRecipe wrong = DirectXLibrary();
    wrong.machine = IMAGE_FILE_MACHINE_AMD64;
    CHECK(Problems(wrong, CheckDirectXSetupLibrary)
          == Lines{L"here: a DLL for machine 0x8664, not 32-bit x86 (0x14c); the 32-bit installer cannot load it"});
    wrong = DirectXLibrary();
    wrong.exports = {"DirectXSetupShowEULA", "DirectXSetupA"};
    CHECK(Problems(wrong, CheckDirectXSetupLibrary)
          == Lines{L"here: exports no DirectXSetupW; the installer cannot run the DirectX setup without it"});
    wrong = DirectXLibrary();
    wrong.dll = false;
    const Lines notADll = {L"here: not a Windows DLL; the installer cannot load it"};
    CHECK(Problems(wrong, CheckDirectXSetupLibrary) == notADll);
    ProblemList unreadable;
    CheckDirectXSetupLibrary(nullptr, L"here", unreadable);
    CHECK(LinesOf(unreadable) == notADll);
}

TEST_CASE("the .NET setup must be a 32-bit Windows program")
{
    ImageRecipe program = SetupProgram();
    CHECK(Problems(program, CheckDotnetSetupProgram).empty());
    program.subsystem = IMAGE_SUBSYSTEM_WINDOWS_CUI;
    CHECK(Problems(program, CheckDotnetSetupProgram).empty());

    const Lines notAProgram = {L"here: not a Windows program; the installer cannot start it"};
    ImageRecipe wrong = SetupProgram();
    wrong.dll = true;
    CHECK(Problems(wrong, CheckDotnetSetupProgram) == notAProgram);
    wrong = SetupProgram();
    wrong.subsystem = IMAGE_SUBSYSTEM_NATIVE;
    CHECK(Problems(wrong, CheckDotnetSetupProgram) == notAProgram);
    wrong = SetupProgram();
    wrong.machine = IMAGE_FILE_MACHINE_AMD64;
    CHECK(Problems(wrong, CheckDotnetSetupProgram)
          == Lines{L"here: a program for machine 0x8664, not 32-bit x86 (0x14c); 32-bit Windows cannot start it"});
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
    const struct {
        size_t at;
        DWORD value;
    } damages[] = {
        {0x3c, 0xfffffffc},       // the PE header beyond the end
        {0x200 + 24, 0xffffffff}, // more names than the file could hold
        {0x200 + 40, 0x7ffffff0}, // a name outside every section
    };
    for (const auto& damage : damages) {
        std::vector<unsigned char> damaged = whole;
        Put32(damaged, damage.at, damage.value);
        CHECK_FALSE(Parse(damaged, facts));
    }
}

TEST_CASE("the stand-ins that the linker built are read as the loader sees them")
{
    const std::wstring folder = build_tree::PathOf(L"tests\\fixtures\\");
    PeImageFacts facts;
    REQUIRE(ReadPeImageFile(folder + L"dsetup_standin\\dsetup.dll", facts));
    CHECK(facts.machine == (sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386));
    CHECK((facts.characteristics & IMAGE_FILE_DLL) != 0);
    CHECK(ExportsName(facts, "DirectXSetupShowEULA"));
    CHECK(ExportsName(facts, "DirectXSetupW"));
    REQUIRE(ReadPeImageFile(folder + L"dsetup_standin\\dsetup_without_setup.dll", facts));
    CHECK_FALSE(ExportsName(facts, "DirectXSetupW"));
    REQUIRE(ReadPeImageFile(folder + L"dotnetfx3_standin\\dotnetfx3.exe", facts));
    CHECK((facts.characteristics & IMAGE_FILE_DLL) == 0);
    CHECK(facts.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI);

    CHECK_FALSE(ReadPeImageFile(build_tree::PathOf(L"CMakeCache.txt"), facts));
    CHECK_FALSE(ReadPeImageFile(folder + L"missing.dll", facts));
}

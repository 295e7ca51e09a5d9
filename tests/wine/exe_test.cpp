// The Windows program file as it ships: self-contained, small, and carrying its resources.
#include "pe_file.h"
#include "platform/win32/gunzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

using namespace sorvane::wine;

constexpr std::uint32_t RT_ICON = 3, RT_RCDATA = 10, RT_GROUP_ICON = 14, RT_VERSION = 16,
                        RT_MANIFEST = 24;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

const PeFile& sorvane() {
    static const PeFile file = PeFile::load(SORVANE_EXE);
    return file;
}

class Executables : public ::testing::TestWithParam<const char*> {};

TEST_P(Executables, ImportOnlyDllsEveryWindowsHas) {
    // No libstdc++, libgcc or winpthread DLL: the user copies one file and runs it.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "msvcrt.dll",   "advapi32.dll", "shell32.dll",
                                          "comctl32.dll", "ole32.dll"};
    const auto dlls = PeFile::load(GetParam()).importedDlls();
    ASSERT_FALSE(dlls.empty());
    for (const auto& dll : dlls)
        EXPECT_TRUE(system.count(lower(dll))) << dll;
}

INSTANTIATE_TEST_SUITE_P(Windows, Executables, ::testing::Values(SORVANE_EXE, SORVANE_POWER_EXE));

TEST(ProgramFile, ImportsOnlyKernelUserGdiAndTheCRuntime) {
    // The calls the gauge makes live there; any other DLL is weight the gauge does not need.
    std::set<std::string> dlls;
    for (const auto& dll : sorvane().importedDlls())
        dlls.insert(lower(dll));
    EXPECT_EQ(dlls,
              (std::set<std::string>{"gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}));
}

TEST(ProgramFile, StaysWellUnderOneMegabyte) {
    const auto size = std::filesystem::file_size(SORVANE_EXE);
    RecordProperty("bytes", std::to_string(size));
    std::cout << "Sorvane.exe: " << size << " bytes\n";
    EXPECT_LT(size, 1024u * 1024u);
}

TEST(ProgramFile, WeighsAtMost300Kilobytes) {
    // A gadget that sits on the desktop all day should cost next to nothing to fetch and keep.
    // What grew it last time: libstdc++'s verbose terminate handler (its demangler and printf).
    const auto size = std::filesystem::file_size(SORVANE_EXE);
    EXPECT_LE(size, 300u * 1024u) << "Sorvane.exe is " << size << " bytes";
}

TEST(ProgramFile, CarriesNoVerboseTerminateHandler) {
    // Its text is the mark of the handler and of the demangler that comes with it.
    const Bytes exe = readFile(SORVANE_EXE);
    const std::string text = "terminate called after throwing";
    EXPECT_EQ(std::search(exe.begin(), exe.end(), text.begin(), text.end()), exe.end());
}

struct VersionString {
    const char* key;
    const char* value;
};

class VersionStrings : public ::testing::TestWithParam<VersionString> {
  protected:
    static VersionRecord record() {
        auto r = sorvane().resource(RT_VERSION, 1);
        if (!r) throw std::runtime_error("no version record");
        return parseVersion(r->data);
    }
};

TEST_P(VersionStrings, ReadBackExactly) {
    const auto v = record();
    ASSERT_EQ(v.strings.count("040904B0"), 1u) << "the string table is 0409 / 04B0";
    const auto& table = v.strings.at("040904B0");
    ASSERT_EQ(table.count(GetParam().key), 1u) << GetParam().key;
    EXPECT_EQ(table.at(GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFile, VersionStrings,
    ::testing::Values(VersionString{"FileDescription", "Affiche la charge de batterie PC"},
                      VersionString{"FileVersion", "1.00"}, VersionString{"ProductVersion", "1.00"},
                      VersionString{"ProductName", "Sorvane"},
                      VersionString{"InternalName", "Sorvane"},
                      VersionString{"OriginalFilename", "Sorvane.exe"},
                      VersionString{"LegalCopyright",
                                    "Copyright (C) The Sorvane developers. MIT licence."}),
    [](const auto& info) { return std::string(info.param.key); });

TEST(ProgramFile, VersionNumbersAndTranslation) {
    const auto r = sorvane().resource(RT_VERSION, 1);
    ASSERT_TRUE(r);
    const auto v = parseVersion(r->data);
    EXPECT_EQ(v.fileVersion, 0x0001000000000000u) << "1.0.0.0";
    EXPECT_EQ(v.productVersion, 0x0001000000000000u) << "1.0.0.0";
    EXPECT_EQ(v.fileType, 1u) << "VFT_APP";
    EXPECT_EQ(v.translations, std::vector<std::uint32_t>{0x04B00409u}) << "0x409, 1200";
    EXPECT_FALSE(v.strings.at("040904B0").at("CompanyName").empty());
    EXPECT_FALSE(v.strings.at("040904B0").at("LegalCopyright").empty());
}

TEST(ProgramFile, ItsIconIsTheArtworksOne32PixelImageAndComesFirst) {
    std::vector<Resource> groups;
    for (auto& r : sorvane().resources())
        if (r.type == RT_GROUP_ICON) groups.push_back(r);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front().id, 1u) << "Explorer shows the first icon group";
    const Bytes& dir = groups.front().data;
    ASSERT_EQ(dir.size(), 6u + 14u) << "one image";
    EXPECT_EQ(dir[6], 32) << "width";
    EXPECT_EQ(dir[7], 32) << "height";
    const unsigned imageId = dir[18] | (dir[19] << 8);
    const auto image = sorvane().resource(RT_ICON, imageId);
    ASSERT_TRUE(image);

    // The same bytes as the artwork's 32 px icon image.
    const Bytes ico = readFile(std::string(SORVANE_ARTWORK_DIR) + "/icon.ico");
    ASSERT_GE(ico.size(), 6u);
    const unsigned count = ico[4] | (ico[5] << 8);
    bool found = false;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        if (ico[e] != 32) continue;
        const std::uint32_t size = ico[e + 8] | (ico[e + 9] << 8) | (ico[e + 10] << 16) |
                                   (std::uint32_t(ico[e + 11]) << 24);
        const std::uint32_t at = ico[e + 12] | (ico[e + 13] << 8) | (ico[e + 14] << 16) |
                                 (std::uint32_t(ico[e + 15]) << 24);
        EXPECT_EQ(image->data, Bytes(ico.begin() + at, ico.begin() + at + size));
        found = true;
    }
    EXPECT_TRUE(found) << "icon.ico has a 32 px image";
}

struct PictureFile {
    unsigned id;
    const char* file;
};

class Pictures : public ::testing::TestWithParam<PictureFile> {};

TEST_P(Pictures, UnpackToTheArtworkFiles) {
    // Each picture is its .bmp file, gzip-packed, as RCDATA.
    const Bytes bmp = readFile(std::string(SORVANE_ARTWORK_DIR) + "/" + GetParam().file);
    ASSERT_GT(bmp.size(), 54u) << GetParam().file;
    const auto r = sorvane().resource(RT_RCDATA, GetParam().id);
    ASSERT_TRUE(r) << "picture " << GetParam().id;
    EXPECT_EQ(sorvane::win32::gunzip(r->data), bmp) << GetParam().file;
}

std::vector<PictureFile> pictureFiles() {
    const char* names[] = {"level0",  "level1",   "level2", "level3", "level4",
                           "level5",  "level6",   "level7", "level8", "level9",
                           "pile_on", "pile_off", "fermer", "options"};
    static std::vector<std::string> files;
    std::vector<PictureFile> out;
    files.reserve(std::size(names) * 2);
    for (unsigned i = 0; i < std::size(names); ++i) {
        files.push_back(std::string(names[i]) + ".bmp");
        out.push_back({100 + i, files.back().c_str()});
        files.push_back(std::string(names[i]) + "@2x.bmp");
        out.push_back({200 + i, files.back().c_str()});
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(ProgramFile, Pictures, ::testing::ValuesIn(pictureFiles()),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ProgramFile, ManifestAsksForCommonControls6AsInvokerDpiAwareness) {
    const auto r = sorvane().resource(RT_MANIFEST, 1);
    ASSERT_TRUE(r) << "CREATEPROCESS_MANIFEST_RESOURCE_ID";
    const std::string xml(r->data.begin(), r->data.end());
    for (const char* needle : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                               "level=\"asInvoker\"", "<dpiAware", ">true<", "<dpiAwareness",
                               ">system<", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(xml.find(needle), std::string::npos) << needle;
}

} // namespace

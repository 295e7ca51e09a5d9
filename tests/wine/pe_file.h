// A reader for the parts of a 64-bit PE file the tests look at: imported DLLs and resources,
// with the version record decoded. Throws std::runtime_error on a malformed file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::wine {

using Bytes = std::vector<std::uint8_t>;

struct Resource {
    std::uint32_t type;
    std::uint32_t id;
    std::uint32_t language;
    Bytes data;
};

struct VersionRecord {
    std::uint64_t fileVersion = 0; // major << 48 | minor << 32 | build << 16 | revision
    std::uint64_t productVersion = 0;
    std::uint32_t fileType = 0;
    // "040904B0" -> key -> value, as stored (UTF-8 here).
    std::map<std::string, std::map<std::string, std::string>> strings;
    std::vector<std::uint32_t> translations; // LOWORD language, HIWORD code page
};

class PeFile {
  public:
    explicit PeFile(Bytes bytes);
    static PeFile load(const std::string& path);

    std::vector<std::string> importedDlls() const;
    // Resources in directory order (types, then ids, ascending); named entries are skipped.
    std::vector<Resource> resources() const;
    std::optional<Resource> resource(std::uint32_t type, std::uint32_t id) const;

  private:
    std::uint32_t offsetOf(std::uint32_t rva) const;
    std::uint32_t u32(std::size_t at) const;
    std::uint16_t u16(std::size_t at) const;

    struct Section {
        std::uint32_t rva, size, raw, rawSize;
    };
    Bytes bytes_;
    std::vector<Section> sections_;
    std::uint32_t importRva_ = 0;
    std::uint32_t resourceRva_ = 0;
};

VersionRecord parseVersion(const Bytes& data);

} // namespace sorvane::wine

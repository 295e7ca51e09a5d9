#include "pe_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace sorvane::wine {

namespace {
std::string utf16At(const Bytes& b, std::size_t at, std::size_t limit, std::size_t* end) {
    std::string out;
    std::size_t i = at;
    for (; i + 1 < limit; i += 2) {
        const unsigned c = b[i] | (b[i + 1] << 8);
        if (c == 0) {
            i += 2;
            break;
        }
        // The version record's texts are ASCII and Latin-1; encode both as UTF-8.
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    if (end) *end = i;
    return out;
}

std::size_t align4(std::size_t v) {
    return (v + 3) & ~std::size_t(3);
}
} // namespace

PeFile::PeFile(Bytes bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z')
        throw std::runtime_error("not an MZ file");
    const std::uint32_t pe = u32(0x3C);
    if (u32(pe) != 0x00004550) throw std::runtime_error("no PE signature");
    const std::size_t coff = pe + 4;
    const unsigned sections = u16(coff + 2);
    const unsigned optionalSize = u16(coff + 16);
    const std::size_t optional = coff + 20;
    if (u16(optional) != 0x20B) throw std::runtime_error("not PE32+");
    const std::size_t directories = optional + 112;
    importRva_ = u32(directories + 8 * 1);
    resourceRva_ = u32(directories + 8 * 2);
    std::size_t s = optional + optionalSize;
    for (unsigned i = 0; i < sections; ++i, s += 40)
        sections_.push_back({u32(s + 12), u32(s + 8), u32(s + 20), u32(s + 16)});
}

PeFile PeFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return PeFile(Bytes(std::istreambuf_iterator<char>(in), {}));
}

std::uint32_t PeFile::u32(std::size_t at) const {
    if (at + 4 > bytes_.size()) throw std::runtime_error("read past the end");
    return bytes_[at] | (bytes_[at + 1] << 8) | (bytes_[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
}

std::uint16_t PeFile::u16(std::size_t at) const {
    if (at + 2 > bytes_.size()) throw std::runtime_error("read past the end");
    return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

std::uint32_t PeFile::offsetOf(std::uint32_t rva) const {
    for (const auto& s : sections_)
        if (rva >= s.rva && rva < s.rva + std::max(s.size, s.rawSize)) return s.raw + (rva - s.rva);
    throw std::runtime_error("address outside every section");
}

std::vector<std::string> PeFile::importedDlls() const {
    std::vector<std::string> dlls;
    if (!importRva_) return dlls;
    for (std::size_t d = offsetOf(importRva_);; d += 20) {
        const std::uint32_t nameRva = u32(d + 12);
        if (!nameRva) break;
        std::string name;
        for (std::size_t i = offsetOf(nameRva); i < bytes_.size() && bytes_[i]; ++i)
            name.push_back(static_cast<char>(bytes_[i]));
        dlls.push_back(name);
    }
    return dlls;
}

std::vector<Resource> PeFile::resources() const {
    std::vector<Resource> out;
    if (!resourceRva_) return out;
    const std::size_t root = offsetOf(resourceRva_);
    // Entries of one directory: (id, offset of its target relative to the root, is directory).
    auto entries = [&](std::size_t dir) {
        std::vector<std::tuple<std::uint32_t, std::uint32_t, bool>> list;
        const unsigned named = u16(dir + 12), ids = u16(dir + 14);
        for (unsigned i = 0; i < named + ids; ++i) {
            const std::size_t e = dir + 16 + 8 * i;
            const std::uint32_t name = u32(e), target = u32(e + 4);
            if (name & 0x80000000u) continue;
            list.emplace_back(name, target & 0x7FFFFFFFu, (target & 0x80000000u) != 0);
        }
        return list;
    };
    for (auto [type, typeDir, d1] : entries(root)) {
        if (!d1) continue;
        for (auto [id, idDir, d2] : entries(root + typeDir)) {
            if (!d2) continue;
            for (auto [lang, leaf, d3] : entries(root + idDir)) {
                if (d3) continue;
                const std::size_t data = root + leaf;
                const std::uint32_t at = offsetOf(u32(data)), size = u32(data + 4);
                if (at + size > bytes_.size()) throw std::runtime_error("resource past the end");
                out.push_back(
                    {type, id, lang, Bytes(bytes_.begin() + at, bytes_.begin() + at + size)});
            }
        }
    }
    return out;
}

std::optional<Resource> PeFile::resource(std::uint32_t type, std::uint32_t id) const {
    for (auto& r : resources())
        if (r.type == type && r.id == id) return r;
    return std::nullopt;
}

VersionRecord parseVersion(const Bytes& b) {
    VersionRecord v;
    auto u16 = [&](std::size_t at) -> unsigned {
        if (at + 2 > b.size()) throw std::runtime_error("version record cut short");
        return b[at] | (b[at + 1] << 8);
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t { return u16(at) | (u16(at + 2) << 16); };
    // Each node: wLength, wValueLength, wType, szKey, padding, value, padding, children.
    struct Node {
        std::string key;
        std::size_t value, valueLength, children, end;
        unsigned type;
    };
    auto node = [&](std::size_t at) {
        Node n;
        n.end = at + u16(at);
        if (n.end > b.size() || n.end <= at) throw std::runtime_error("bad node length");
        n.valueLength = u16(at + 2);
        n.type = u16(at + 4);
        std::size_t keyEnd = 0;
        n.key = utf16At(b, at + 6, n.end, &keyEnd);
        n.value = align4(keyEnd);
        const std::size_t bytes = n.type == 1 ? n.valueLength * 2 : n.valueLength;
        n.children = align4(n.value + bytes);
        return n;
    };
    auto children = [&](const Node& parent) {
        std::vector<Node> list;
        for (std::size_t at = parent.children; at + 6 <= parent.end;) {
            Node c = node(at);
            list.push_back(c);
            at = align4(c.end);
        }
        return list;
    };

    const Node root = node(0);
    if (root.key != "VS_VERSION_INFO") throw std::runtime_error("not a version record");
    if (root.valueLength >= 52 && u32(root.value) == 0xFEEF04BDu) {
        v.fileVersion = (std::uint64_t(u32(root.value + 8)) << 32) | u32(root.value + 12);
        v.productVersion = (std::uint64_t(u32(root.value + 16)) << 32) | u32(root.value + 20);
        v.fileType = u32(root.value + 36);
    }
    for (const Node& block : children(root)) {
        if (block.key == "StringFileInfo") {
            for (const Node& table : children(block))
                for (const Node& s : children(table)) {
                    std::string text = s.valueLength ? utf16At(b, s.value, s.end, nullptr) : "";
                    v.strings[table.key][s.key] = text;
                }
        } else if (block.key == "VarFileInfo") {
            for (const Node& var : children(block))
                if (var.key == "Translation")
                    for (std::size_t i = 0; i + 4 <= var.valueLength; i += 4)
                        v.translations.push_back(u32(var.value + i));
        }
    }
    return v;
}

} // namespace sorvane::wine

#include "platform/linux/x11_properties.h"

#include <cstring>

namespace sorvane::linuxos {
namespace {

// Items of a 32-bit property, or nothing when it is not one or is not whole.
std::optional<std::vector<unsigned long>> items32(const PropertyValue& p, unsigned long type) {
    if (p.type != type || p.format != 32 || p.bytesAfter != 0 || p.count > kMaxPropertyItems)
        return std::nullopt;
    if (p.bytes.size() < p.count * sizeof(unsigned long)) return std::nullopt;
    std::vector<unsigned long> out(p.count);
    if (p.count) std::memcpy(out.data(), p.bytes.data(), p.count * sizeof(unsigned long));
    // A 64-bit long carries a 32-bit item: the upper half is not part of it.
    for (auto& v : out)
        v &= 0xFFFFFFFFul;
    return out;
}

} // namespace

std::optional<std::vector<unsigned long>> parseAtomList(const PropertyValue& p,
                                                        unsigned long atomType) {
    return items32(p, atomType);
}

std::optional<std::vector<unsigned long>> parseIds(const PropertyValue& p, unsigned long type) {
    return items32(p, type);
}

bool parseHasWmClass(const PropertyValue& p, unsigned long stringType) {
    if (p.type != stringType || p.format != 8 || p.bytesAfter != 0 || p.count == 0) return false;
    if (p.bytes.size() < p.count) return false;
    // At least one non-NUL character in the instance or class name.
    for (unsigned long i = 0; i < p.count; ++i)
        if (p.bytes[i] != 0) return true;
    return false;
}

std::optional<SavedGeometry> parseSavedGeometry(const PropertyValue& p,
                                                unsigned long cardinalType) {
    const auto v = items32(p, cardinalType);
    if (!v || v->size() != 4) return std::nullopt;
    SavedGeometry g;
    g.x = static_cast<std::int32_t>(static_cast<std::uint32_t>((*v)[0]));
    g.y = static_cast<std::int32_t>(static_cast<std::uint32_t>((*v)[1]));
    g.width = static_cast<std::uint32_t>((*v)[2]);
    g.height = static_cast<std::uint32_t>((*v)[3]);
    if (g.width == 0 || g.height == 0 || g.width > 65535 || g.height > 65535) return std::nullopt;
    return g;
}

std::vector<unsigned long> encodeSavedGeometry(const SavedGeometry& g) {
    return {static_cast<unsigned long>(static_cast<std::uint32_t>(g.x)),
            static_cast<unsigned long>(static_cast<std::uint32_t>(g.y)), g.width, g.height};
}

} // namespace sorvane::linuxos

// Unpacks a gzip member through zlib: the pictures travel compressed in the program file and are
// unpacked once when first drawn. No Windows header, so the native tests check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace sorvane::win32 {

struct GzipError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The member's content. Throws GzipError on anything malformed, on a CRC or length mismatch,
// and when the content would exceed `limit` bytes.
std::vector<std::uint8_t> gunzip(std::span<const std::uint8_t> member,
                                 std::size_t limit = 16u << 20);

} // namespace sorvane::win32

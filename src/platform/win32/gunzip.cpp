#include "platform/win32/gunzip.h"

#include <zlib.h>

#include <algorithm>

namespace sorvane::win32 {

std::vector<std::uint8_t> gunzip(std::span<const std::uint8_t> member, std::size_t limit) {
    z_stream z{};
    // 16 + the largest window: a gzip member only, its CRC and length checked by zlib.
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw GzipError("zlib: no memory");
    z.next_in = const_cast<Bytef*>(member.data());
    z.avail_in = static_cast<uInt>(member.size());
    std::vector<std::uint8_t> out;
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() >= limit) break;
        const std::size_t have = out.size();
        out.resize(std::min(limit, have + 64 * 1024));
        z.next_out = out.data() + have;
        z.avail_out = static_cast<uInt>(out.size() - have);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) break; // cut short
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) throw GzipError("not a whole gzip member, or too large");
    return out;
}

} // namespace sorvane::win32

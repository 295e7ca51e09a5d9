#include "encoders.h"

#include <array>
#include <cstdlib>

namespace artgen {

namespace {

void le16(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void le32(Bytes& out, std::uint32_t v) {
    le16(out, v & 0xffff);
    le16(out, v >> 16);
}

void be32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(v >> shift));
}

int stride24(int width) {
    return (width * 3 + 3) & ~3;
}
int stride1(int width) {
    return ((width + 31) / 32) * 4;
}

void infoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize, int ppm,
                int coloursUsed) {
    le32(out, 40);
    le32(out, std::uint32_t(width));
    le32(out, std::uint32_t(height));
    le16(out, 1);
    le16(out, unsigned(bits));
    le32(out, 0); // BI_RGB
    le32(out, imageSize);
    le32(out, std::uint32_t(ppm));
    le32(out, std::uint32_t(ppm));
    le32(out, std::uint32_t(coloursUsed));
    le32(out, 0);
}

void fileHeader(Bytes& out, std::uint32_t fileSize, std::uint32_t pixelOffset) {
    out.push_back('B');
    out.push_back('M');
    le32(out, fileSize);
    le32(out, 0);
    le32(out, pixelOffset);
}

// BMP rows run bottom-up, blue first, each padded to 4 bytes.
void pixels24(Bytes& out, int width, int height, const Bytes& rgb) {
    int pad = stride24(width) - width * 3;
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = &rgb[std::size_t(y) * std::size_t(width) * 3];
        for (int x = 0; x < width; ++x) {
            out.push_back(row[x * 3 + 2]);
            out.push_back(row[x * 3 + 1]);
            out.push_back(row[x * 3 + 0]);
        }
        out.insert(out.end(), std::size_t(pad), 0);
    }
}

void pixels1(Bytes& out, int width, int height, const Bytes& bits) {
    int stride = stride1(width);
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(std::size_t(stride), 0);
        for (int x = 0; x < width; ++x)
            if (bits[std::size_t(y) * std::size_t(width) + std::size_t(x)])
                row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

} // namespace

Bytes encodeBmp24(int width, int height, const Bytes& rgb, int pixelsPerMetre) {
    std::uint32_t imageSize = std::uint32_t(stride24(width) * height);
    Bytes out;
    fileHeader(out, 54 + imageSize, 54);
    infoHeader(out, width, height, 24, imageSize, pixelsPerMetre, 0);
    pixels24(out, width, height, rgb);
    return out;
}

Bytes encodeBmpMask(int width, int height, const Bytes& transparent) {
    std::uint32_t imageSize = std::uint32_t(stride1(width) * height);
    Bytes out;
    fileHeader(out, 62 + imageSize, 62);
    infoHeader(out, width, height, 1, imageSize, 3780, 2);
    le32(out, 0x00000000);
    le32(out, 0x00ffffff);
    pixels1(out, width, height, transparent);
    return out;
}

Bytes encodeIco(const std::vector<IconImage>& images) {
    Bytes dir, data;
    le16(dir, 0);
    le16(dir, 1);
    le16(dir, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (const IconImage& im : images) {
        std::uint32_t xorSize = std::uint32_t(stride24(im.size) * im.size);
        std::uint32_t andSize = std::uint32_t(stride1(im.size) * im.size);
        std::uint32_t bytes = 40 + xorSize + andSize;
        dir.push_back(std::uint8_t(im.size >= 256 ? 0 : im.size)); // 0 stands for 256
        dir.push_back(std::uint8_t(im.size >= 256 ? 0 : im.size));
        dir.push_back(0); // no palette
        dir.push_back(0);
        le16(dir, 1);
        le16(dir, 24);
        le32(dir, bytes);
        le32(dir, offset);
        offset += bytes;
        // The stored height covers the colour bitmap and the mask stacked together.
        infoHeader(data, im.size, im.size * 2, 24, xorSize + andSize, 0, 0);
        pixels24(data, im.size, im.size, im.rgb);
        pixels1(data, im.size, im.size, im.transparent);
    }
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

// ---- deflate ------------------------------------------------------------------------------

namespace {

class BitWriter {
  public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    // Plain fields go least significant bit first ...
    void bits(std::uint32_t value, int count) {
        acc_ |= value << used_;
        used_ += count;
        while (used_ >= 8) {
            out_.push_back(std::uint8_t(acc_));
            acc_ >>= 8;
            used_ -= 8;
        }
    }
    // ... Huffman codes most significant bit first.
    void code(std::uint32_t code, int length) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < length; ++i)
            reversed |= ((code >> i) & 1u) << (length - 1 - i);
        bits(reversed, length);
    }
    void flush() {
        if (used_ > 0) out_.push_back(std::uint8_t(acc_));
        acc_ = 0;
        used_ = 0;
    }

  private:
    Bytes& out_;
    std::uint32_t acc_ = 0;
    int used_ = 0;
};

void literalOrLength(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.code(0x30u + unsigned(symbol), 8);
    else if (symbol < 256)
        w.code(0x190u + unsigned(symbol - 144), 9);
    else if (symbol < 280)
        w.code(unsigned(symbol - 256), 7);
    else
        w.code(0xc0u + unsigned(symbol - 280), 8);
}

constexpr std::array<int, 29> lengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                         15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> lengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> distBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> distExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

template <std::size_t N> int lastAtMost(const std::array<int, N>& base, int v) {
    int i = int(N) - 1;
    while (base[std::size_t(i)] > v)
        --i;
    return i;
}

void match(BitWriter& w, int length, int distance) {
    int li = lastAtMost(lengthBase, length);
    literalOrLength(w, 257 + li);
    w.bits(std::uint32_t(length - lengthBase[std::size_t(li)]), lengthExtra[std::size_t(li)]);
    int di = lastAtMost(distBase, distance);
    w.code(std::uint32_t(di), 5);
    w.bits(std::uint32_t(distance - distBase[std::size_t(di)]), distExtra[std::size_t(di)]);
}

// One fixed-Huffman block with greedy LZ77 matching over hash chains: far from optimal, but it
// shrinks the flat-coloured artwork by an order of magnitude with no library.
Bytes deflateFixed(const Bytes& in) {
    constexpr int window = 32768, minMatch = 3, maxMatch = 258, maxChain = 128;
    constexpr int hashBits = 15;
    Bytes out;
    BitWriter w(out);
    w.bits(1, 1); // final block
    w.bits(1, 2); // fixed Huffman codes
    const int n = int(in.size());
    std::vector<int> head(1u << hashBits, -1), prev(in.size(), -1);
    auto hashAt = [&](int i) {
        return ((unsigned(in[std::size_t(i)]) << 10) ^ (unsigned(in[std::size_t(i) + 1]) << 5) ^
                unsigned(in[std::size_t(i) + 2])) &
               ((1u << hashBits) - 1);
    };
    auto insert = [&](int i) {
        if (i + minMatch > n) return;
        unsigned h = hashAt(i);
        prev[std::size_t(i)] = head[h];
        head[h] = i;
    };
    int i = 0;
    while (i < n) {
        int bestLen = 0, bestDist = 0;
        if (i + minMatch <= n) {
            int limit = std::min(maxMatch, n - i);
            int chain = maxChain;
            for (int j = head[hashAt(i)]; j >= 0 && i - j <= window && chain-- > 0;
                 j = prev[std::size_t(j)]) {
                int len = 0;
                while (len < limit && in[std::size_t(j + len)] == in[std::size_t(i + len)])
                    ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = i - j;
                    if (len == limit) break;
                }
            }
        }
        if (bestLen >= minMatch) {
            match(w, bestLen, bestDist);
            for (int k = 0; k < bestLen; ++k)
                insert(i + k);
            i += bestLen;
        } else {
            literalOrLength(w, in[std::size_t(i)]);
            insert(i);
            ++i;
        }
    }
    literalOrLength(w, 256);
    w.flush();
    return out;
}

std::uint32_t adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void chunk(Bytes& out, const char* type, const Bytes& body) {
    be32(out, std::uint32_t(body.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    be32(out, crc32(&out[start], out.size() - start));
}

int paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

} // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

Bytes zlibCompress(const Bytes& data) {
    Bytes out{0x78, 0x01}; // deflate, 32 KiB window, no dictionary
    Bytes body = deflateFixed(data);
    out.insert(out.end(), body.begin(), body.end());
    be32(out, adler32(data));
    return out;
}

Bytes encodePng(int width, int height, int channels, const Bytes& pixels) {
    // Each row takes whichever filter leaves the smallest sum of magnitudes, the usual
    // heuristic that suits gradients.
    const std::size_t stride = std::size_t(width) * std::size_t(channels);
    Bytes raw;
    raw.reserve((stride + 1) * std::size_t(height));
    Bytes zero(stride, 0), candidate(stride), best(stride);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* cur = &pixels[std::size_t(y) * stride];
        const std::uint8_t* up = y ? &pixels[std::size_t(y - 1) * stride] : zero.data();
        long bestScore = -1;
        int bestFilter = 0;
        for (int f = 0; f < 5; ++f) {
            long score = 0;
            for (std::size_t i = 0; i < stride; ++i) {
                int a = i >= std::size_t(channels) ? cur[i - std::size_t(channels)] : 0;
                int b = up[i];
                int c = i >= std::size_t(channels) ? up[i - std::size_t(channels)] : 0;
                int predicted = f == 0   ? 0
                                : f == 1 ? a
                                : f == 2 ? b
                                : f == 3 ? (a + b) / 2
                                         : paeth(a, b, c);
                std::uint8_t v = std::uint8_t(cur[i] - predicted);
                candidate[i] = v;
                score += v < 128 ? v : 256 - v;
            }
            if (bestScore < 0 || score < bestScore) {
                bestScore = score;
                bestFilter = f;
                best = candidate;
            }
        }
        raw.push_back(std::uint8_t(bestFilter));
        raw.insert(raw.end(), best.begin(), best.end());
    }

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr;
    be32(ihdr, std::uint32_t(width));
    be32(ihdr, std::uint32_t(height));
    ihdr.push_back(8);
    ihdr.push_back(channels == 4 ? 6 : 2);
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", zlibCompress(raw));
    chunk(out, "IEND", {});
    return out;
}

} // namespace artgen

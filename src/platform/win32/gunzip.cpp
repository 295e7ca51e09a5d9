#include "platform/win32/gunzip.h"

#include <array>

namespace sorvane::win32 {

namespace {

constexpr int maxBits = 15;

class Inflater {
  public:
    Inflater(std::span<const std::uint8_t> in, std::size_t limit) : in_(in), limit_(limit) {}

    std::vector<std::uint8_t> run() {
        bool last = false;
        while (!last) {
            last = bits(1) != 0;
            switch (bits(2)) {
            case 0:
                stored();
                break;
            case 1:
                fixed();
                break;
            case 2:
                dynamic();
                break;
            default:
                throw GzipError("deflate: reserved block type");
            }
        }
        return std::move(out_);
    }

    std::size_t consumed() const { return pos_; } // whole bytes, once run() is over

  private:
    struct Huffman {
        std::array<std::uint16_t, maxBits + 1> count{};
        std::vector<std::uint16_t> symbol;
    };

    std::uint32_t bits(int need) {
        std::uint32_t value = buffer_;
        while (count_ < need) {
            if (pos_ >= in_.size()) throw GzipError("deflate: input cut short");
            value |= static_cast<std::uint32_t>(in_[pos_++]) << count_;
            count_ += 8;
        }
        buffer_ = value >> need;
        count_ -= need;
        return value & ((1u << need) - 1);
    }

    void put(std::uint8_t byte) {
        if (out_.size() >= limit_) throw GzipError("deflate: content larger than allowed");
        out_.push_back(byte);
    }

    void stored() {
        buffer_ = 0;
        count_ = 0;
        if (pos_ + 4 > in_.size()) throw GzipError("deflate: stored block cut short");
        const unsigned len = in_[pos_] | (in_[pos_ + 1] << 8);
        const unsigned nlen = in_[pos_ + 2] | (in_[pos_ + 3] << 8);
        pos_ += 4;
        if (len != (~nlen & 0xFFFFu)) throw GzipError("deflate: stored length check");
        if (pos_ + len > in_.size()) throw GzipError("deflate: stored block cut short");
        for (unsigned i = 0; i < len; ++i)
            put(in_[pos_++]);
    }

    static Huffman build(const std::uint16_t* lengths, int n) {
        Huffman h;
        h.symbol.assign(static_cast<std::size_t>(n), 0);
        for (int s = 0; s < n; ++s)
            h.count[lengths[s]]++;
        if (h.count[0] == n) return h; // no codes: only an error if one is ever decoded
        int left = 1;
        for (int len = 1; len <= maxBits; ++len) {
            left <<= 1;
            left -= h.count[len];
            if (left < 0) throw GzipError("deflate: over-subscribed code");
        }
        std::array<std::uint16_t, maxBits + 1> offs{};
        for (int len = 1; len < maxBits; ++len)
            offs[len + 1] = static_cast<std::uint16_t>(offs[len] + h.count[len]);
        for (int s = 0; s < n; ++s)
            if (lengths[s]) h.symbol[offs[lengths[s]]++] = static_cast<std::uint16_t>(s);
        return h;
    }

    int decode(const Huffman& h) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= maxBits; ++len) {
            code |= static_cast<int>(bits(1));
            const int count = h.count[len];
            if (code - count < first)
                return h.symbol[static_cast<std::size_t>(index + (code - first))];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        throw GzipError("deflate: invalid code");
    }

    void codes(const Huffman& lengthCodes, const Huffman& distanceCodes) {
        static constexpr std::uint16_t lengthBase[29] = {
            3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr std::uint16_t lengthExtra[29] = {
            0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static constexpr std::uint16_t distBase[30] = {
            1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static constexpr std::uint16_t distExtra[30] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                        4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                        9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            int symbol = decode(lengthCodes);
            if (symbol < 256) {
                put(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) return;
            symbol -= 257;
            if (symbol >= 29) throw GzipError("deflate: invalid length symbol");
            const std::size_t length = lengthBase[symbol] + bits(lengthExtra[symbol]);
            const int d = decode(distanceCodes);
            if (d >= 30) throw GzipError("deflate: invalid distance symbol");
            const std::size_t distance = distBase[d] + bits(distExtra[d]);
            if (distance > out_.size()) throw GzipError("deflate: distance too far back");
            for (std::size_t i = 0; i < length; ++i)
                put(out_[out_.size() - distance]);
        }
    }

    void fixed() {
        static const auto tables = [] {
            std::array<std::uint16_t, 288> lengths{};
            for (int s = 0; s < 144; ++s)
                lengths[s] = 8;
            for (int s = 144; s < 256; ++s)
                lengths[s] = 9;
            for (int s = 256; s < 280; ++s)
                lengths[s] = 7;
            for (int s = 280; s < 288; ++s)
                lengths[s] = 8;
            std::array<std::uint16_t, 30> distances{};
            distances.fill(5);
            return std::pair{build(lengths.data(), 288), build(distances.data(), 30)};
        }();
        codes(tables.first, tables.second);
    }

    void dynamic() {
        const int nlen = static_cast<int>(bits(5)) + 257;
        const int ndist = static_cast<int>(bits(5)) + 1;
        const int ncode = static_cast<int>(bits(4)) + 4;
        if (nlen > 286 || ndist > 30) throw GzipError("deflate: bad code counts");
        static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                   11, 4,  12, 3, 13, 2, 14, 1, 15};
        std::array<std::uint16_t, 320> lengths{};
        for (int i = 0; i < ncode; ++i)
            lengths[order[i]] = static_cast<std::uint16_t>(bits(3));
        const Huffman lencode = build(lengths.data(), 19);
        int index = 0;
        while (index < nlen + ndist) {
            const int symbol = decode(lencode);
            if (symbol < 16) {
                lengths[static_cast<std::size_t>(index++)] = static_cast<std::uint16_t>(symbol);
                continue;
            }
            std::uint16_t value = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (index == 0) throw GzipError("deflate: repeat with no previous length");
                value = lengths[static_cast<std::size_t>(index - 1)];
                repeat = 3 + static_cast<int>(bits(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(bits(3));
            } else {
                repeat = 11 + static_cast<int>(bits(7));
            }
            if (index + repeat > nlen + ndist) throw GzipError("deflate: too many lengths");
            while (repeat--)
                lengths[static_cast<std::size_t>(index++)] = value;
        }
        if (lengths[256] == 0) throw GzipError("deflate: no end-of-block code");
        codes(build(lengths.data(), nlen), build(lengths.data() + nlen, ndist));
    }

    std::span<const std::uint8_t> in_;
    std::size_t limit_;
    std::size_t pos_ = 0;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
    std::vector<std::uint8_t> out_;
};

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

} // namespace

std::uint32_t crc32(std::span<const std::uint8_t> data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : data)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> gunzip(std::span<const std::uint8_t> member, std::size_t limit) {
    if (member.size() < 18 || member[0] != 0x1F || member[1] != 0x8B || member[2] != 8)
        throw GzipError("gzip: not a deflate member");
    const unsigned flags = member[3];
    if (flags & 0xE0) throw GzipError("gzip: reserved flags");
    std::size_t at = 10;
    auto need = [&](std::size_t n) {
        if (at + n > member.size()) throw GzipError("gzip: header cut short");
    };
    if (flags & 0x04) { // FEXTRA
        need(2);
        const std::size_t len = member[at] | (member[at + 1] << 8);
        at += 2;
        need(len);
        at += len;
    }
    for (unsigned text : {0x08u, 0x10u}) // FNAME, FCOMMENT: zero-terminated
        if (flags & text) {
            while (need(1), member[at] != 0)
                ++at;
            ++at;
        }
    if (flags & 0x02) { // FHCRC
        need(2);
        at += 2;
    }
    Inflater inflater(member.subspan(at), limit);
    std::vector<std::uint8_t> out = inflater.run();
    at += inflater.consumed();
    if (at + 8 > member.size()) throw GzipError("gzip: trailer cut short");
    if (le32(member, at) != crc32(out)) throw GzipError("gzip: CRC mismatch");
    if (le32(member, at + 4) != static_cast<std::uint32_t>(out.size()))
        throw GzipError("gzip: length mismatch");
    return out;
}

} // namespace sorvane::win32

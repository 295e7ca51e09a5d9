// sorvane_artgen: draws the program's pictures and writes them as files.
//
//   sorvane_artgen <artwork-dir> [--sheet <file.png>]
//
// Writes into <artwork-dir>, for every picture, <name>.bmp and <name>@2x.bmp (24-bit, no
// palette), the icon's transparency mask as icon_mask.bmp and icon_mask@2x.bmp (1-bit),
// icon.ico (32, 16, 48 and 256 px), and hicolor/<N>x<N>/sorvane.png for the Linux desktop entry.
// With --sheet, also a contact sheet of everything for the README. The output depends on nothing
// but this program: running it twice gives the same bytes.
#include "encoders.h"
#include "pictures.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

namespace fs = std::filesystem;
using namespace artgen;
using sorvane::forms::Picture;
using sorvane::forms::PictureId;

namespace {

// Leaves a file alone when it already holds these bytes, so that regenerating unchanged
// artwork does not make the build re-embed it.
void writeFile(const fs::path& path, const Bytes& bytes) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            Bytes old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old == bytes) return;
        }
    }
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The icon goes out with a 1-bit mask: a pixel is shown when the drawing covers at least half
// of it, in its own colour (never blended with a background it might not be shown on).
struct MaskedIcon {
    int size;
    Bytes rgb, transparent, rgba;
};

MaskedIcon drawMaskedIcon(int size) {
    Canvas c = renderIcon(size);
    const std::size_t count = std::size_t(size) * std::size_t(size);
    MaskedIcon m{size, c.rgbBytes(), Bytes(count), Bytes(count * 4)};
    for (std::size_t i = 0; i < count; ++i) {
        double a = c.alpha(int(i % std::size_t(size)), int(i / std::size_t(size)));
        for (std::size_t k = 0; k < 3; ++k)
            m.rgba[i * 4 + k] = m.rgb[i * 3 + k];
        m.rgba[i * 4 + 3] = std::uint8_t(std::floor(a * 255 + 0.5));
        m.transparent[i] = a < 0.5;
        if (m.transparent[i]) m.rgb[i * 3] = m.rgb[i * 3 + 1] = m.rgb[i * 3 + 2] = 0;
    }
    return m;
}

// Each picture is drawn once and reused for its files and the contact sheet.
const MaskedIcon& maskedIcon(int size) {
    static std::map<int, MaskedIcon> drawn;
    auto it = drawn.find(size);
    if (it == drawn.end()) it = drawn.emplace(size, drawMaskedIcon(size)).first;
    return it->second;
}

const Canvas& picture(PictureId id, int scale) {
    static std::map<std::pair<PictureId, int>, Canvas> drawn;
    auto it = drawn.find({id, scale});
    if (it == drawn.end()) it = drawn.emplace(std::pair{id, scale}, renderPicture(id, scale)).first;
    return it->second;
}

Canvas masked(const MaskedIcon& m) {
    Canvas c(m.size, m.size, 1, Paint{{0, 0, 0}, 0});
    for (int y = 0; y < m.size; ++y) {
        for (int x = 0; x < m.size; ++x) {
            std::size_t i = std::size_t(y) * std::size_t(m.size) + std::size_t(x);
            if (m.transparent[i]) continue;
            Rgb col{double(m.rgb[i * 3]), double(m.rgb[i * 3 + 1]), double(m.rgb[i * 3 + 2])};
            c.paint(
                {double(x), double(y), x + 1.0, y + 1.0}, [](double, double) { return true; },
                [&](double, double) { return Paint{col}; });
        }
    }
    return c;
}

// The gauge as it appears on screen: battery left, level right, the two buttons on top.
Canvas gauge(PictureId pile, PictureId level, int scale) {
    Canvas c(128 * scale, 128 * scale, 1, Paint{{0, 0, 0}});
    c.blit(picture(pile, scale), 0, 0);
    c.blit(picture(level, scale), 85 * scale, 0);
    c.blit(picture(PictureId::Fermer, scale), 1 * scale, 1 * scale);
    c.blit(picture(PictureId::Options, scale), 1 * scale, 117 * scale);
    return c;
}

Bytes contactSheet() {
    constexpr int margin = 16, gap = 12;
    Canvas sheet(1000, 1000, 1, Paint{hex(0xDDE1E6)});
    int x = margin, y = margin;
    auto place = [&](const Canvas& c) {
        sheet.blit(c, x, y);
        x += c.width() + gap;
    };
    auto nextRow = [&](int rowHeight) {
        x = margin;
        y += rowHeight + 2 * gap;
    };
    auto icon = [](int scale) { return masked(maskedIcon(32 * scale)); };

    for (const Picture& p : sorvane::forms::allPictures())
        place(p.id == PictureId::Icon ? icon(1) : picture(p.id, 1));
    nextRow(128);
    for (int n = 0; n <= 9; ++n)
        place(picture(static_cast<PictureId>(n), 2));
    nextRow(256);
    for (PictureId id :
         {PictureId::PileOn, PictureId::PileOff, PictureId::Fermer, PictureId::Options})
        place(picture(id, 2));
    place(icon(2));
    x += 2 * gap;
    place(gauge(PictureId::PileOn, PictureId::Level6, 1));
    place(gauge(PictureId::PileOff, PictureId::Level9, 1));
    nextRow(256);
    place(gauge(PictureId::PileOn, PictureId::Level6, 2));
    place(gauge(PictureId::PileOff, PictureId::Level9, 2));
    return encodePng(sheet.width(), sheet.height(), 3, sheet.rgbBytes());
}

void generate(const fs::path& dir) {
    for (const Picture& p : sorvane::forms::allPictures()) {
        for (int scale : {1, 2}) {
            std::string suffix = scale == 1 ? "" : "@2x";
            Bytes rgb = p.id == PictureId::Icon ? maskedIcon(32 * scale).rgb
                                                : picture(p.id, scale).rgbBytes();
            writeFile(dir / (std::string(p.name) + suffix + ".bmp"),
                      encodeBmp24(p.width * scale, p.height * scale, rgb, 3780 * scale));
        }
    }
    for (int scale : {1, 2}) {
        const MaskedIcon& m = maskedIcon(32 * scale);
        writeFile(dir / (scale == 1 ? "icon_mask.bmp" : "icon_mask@2x.bmp"),
                  encodeBmpMask(m.size, m.size, m.transparent));
    }

    // 32 px first: it is the image a single-size reader takes.
    std::vector<IconImage> images;
    for (int size : {32, 16, 48, 256}) {
        const MaskedIcon& m = maskedIcon(size);
        images.push_back({size, m.rgb, m.transparent});
    }
    writeFile(dir / "icon.ico", encodeIco(images));

    for (int size : {16, 32, 48, 64, 128, 256}) {
        const MaskedIcon& m = maskedIcon(size);
        std::string folder = std::to_string(size) + "x" + std::to_string(size);
        writeFile(dir / "hicolor" / folder / "sorvane.png", encodePng(size, size, 4, m.rgba));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--sheet")) {
        std::cerr << "usage: sorvane_artgen <artwork-dir> [--sheet <file.png>]\n";
        return 2;
    }
    try {
        generate(argv[1]);
        if (argc == 4) writeFile(argv[3], contactSheet());
    } catch (const std::exception& e) {
        std::cerr << "sorvane_artgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

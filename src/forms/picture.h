// Pictures are immutable and shared: assigning one image's Picture to another shows the same
// object. The program only ever compares and copies them; backends look up the pixels by id.
#pragma once

#include <array>
#include <string_view>

namespace sorvane::forms {

enum class PictureId {
    Level0,
    Level1,
    Level2,
    Level3,
    Level4,
    Level5,
    Level6,
    Level7,
    Level8,
    Level9,
    PileOn,
    PileOff,
    Fermer,
    Options,
    Icon,
};

inline constexpr int pictureCount = 15;

struct Picture {
    PictureId id;
    std::string_view name; // the file's base name under src/forms/artwork/
    int width;             // pixels at scale 1
    int height;
};

// The one instance of each picture; a null pointer is "no picture".
const Picture* picture(PictureId id);
const std::array<Picture, pictureCount>& allPictures();

inline const Picture* levelPicture(int n) {
    return picture(static_cast<PictureId>(n));
}

} // namespace sorvane::forms

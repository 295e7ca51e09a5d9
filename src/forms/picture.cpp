#include "forms/picture.h"

namespace sorvane::forms {

namespace {
constexpr std::array<Picture, pictureCount> pictures{{
    {PictureId::Level0, "level0", 43, 128},
    {PictureId::Level1, "level1", 43, 128},
    {PictureId::Level2, "level2", 43, 128},
    {PictureId::Level3, "level3", 43, 128},
    {PictureId::Level4, "level4", 43, 128},
    {PictureId::Level5, "level5", 43, 128},
    {PictureId::Level6, "level6", 43, 128},
    {PictureId::Level7, "level7", 43, 128},
    {PictureId::Level8, "level8", 43, 128},
    {PictureId::Level9, "level9", 43, 128},
    {PictureId::PileOn, "pile_on", 85, 128},
    {PictureId::PileOff, "pile_off", 85, 128},
    {PictureId::Fermer, "fermer", 17, 17},
    {PictureId::Options, "options", 16, 10},
    {PictureId::Icon, "icon", 32, 32},
}};
} // namespace

const Picture* picture(PictureId id) {
    return &pictures[static_cast<int>(id)];
}
const std::array<Picture, pictureCount>& allPictures() {
    return pictures;
}

} // namespace sorvane::forms

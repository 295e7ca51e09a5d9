#include "forms/main_form.h"

namespace sorvane::forms {

namespace {
constexpr WindowSettings mainSettings{
    .borderless = true,
    .showInTaskbar = false,
    .backColour = {245, 245, 252},
    .icon = nullptr, // set in the constructor: pictures are looked up at run time
    .clientWidth = 4515,
    .clientHeight = 1920,
};

WindowSettings withIcon(WindowSettings s) {
    s.icon = picture(PictureId::Icon);
    return s;
}

Rect level(int n) {
    return {1920 + 120 * n, 0, 645, 1920};
}
} // namespace

// The slider's lower bound is 50, so the slider alone can never make the gauge invisible.
MainForm::MainForm()
    : Window("Main", withIcon(mainSettings)),                                        //
      Pile(*this, "Pile", {0, 0, 1275, 1920}),                                       //
      ImgBat(*this, "ImgBat", {1280, 0, 645, 1920}),                                 //
      PileOn(*this, "PileOn", {3240, 0, 1275, 1920}, picture(PictureId::PileOn)),    //
      PileOff(*this, "PileOff", {3120, 0, 1275, 1920}, picture(PictureId::PileOff)), //
      ImgBat0(*this, "ImgBat0", level(0), levelPicture(0)),                          //
      ImgBat1(*this, "ImgBat1", level(1), levelPicture(1)),                          //
      ImgBat2(*this, "ImgBat2", level(2), levelPicture(2)),                          //
      ImgBat3(*this, "ImgBat3", level(3), levelPicture(3)),                          //
      ImgBat4(*this, "ImgBat4", level(4), levelPicture(4)),                          //
      ImgBat5(*this, "ImgBat5", level(5), levelPicture(5)),                          //
      ImgBat6(*this, "ImgBat6", level(6), levelPicture(6)),                          //
      ImgBat7(*this, "ImgBat7", level(7), levelPicture(7)),                          //
      ImgBat8(*this, "ImgBat8", level(8), levelPicture(8)),                          //
      ImgBat9(*this, "ImgBat9", level(9), levelPicture(9)),                          //
      fermer(*this, "fermer", {10, 10, 255, 255}, picture(PictureId::Fermer)),       //
      options(*this, "options", {10, 1760, 240, 150}, picture(PictureId::Options)),  //
      temps(*this, "temps", {3480, 1320, 855, 255}, "Temps", /*tabIndex*/ 0),        //
      HScroll1(*this, "HScroll1", {1920, 0, 1215, 135},
               {.Min = 50, .Max = 255, .Value = 200, .SmallChange = 1, .LargeChange = 1},
               /*tabIndex*/ 1),
      Timer1(*this, "Timer1", 150, true),  //
      changer(*this, "changer", 1, true),  //
      rappel(*this, "rappel", 1000, true), //
      levels_{&ImgBat0, &ImgBat1, &ImgBat2, &ImgBat3, &ImgBat4,
              &ImgBat5, &ImgBat6, &ImgBat7, &ImgBat8, &ImgBat9} {}

} // namespace sorvane::forms

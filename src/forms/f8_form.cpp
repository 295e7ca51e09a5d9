#include "forms/f8_form.h"

namespace sorvane::forms {

namespace {
constexpr WindowSettings f8Settings{
    .borderless = true,
    .showInTaskbar = false,
    .backColour = {240, 240, 240},
    .icon = nullptr,
    .clientWidth = 900,
    .clientHeight = 435,
};
} // namespace

F8Form::F8Form()
    : Window("F8", f8Settings), verif(*this, "verif", 2000, false),
      touche(*this, "touche", 50, true) {}

} // namespace sorvane::forms

#include "forms/menu_form.h"

namespace sorvane::forms {

namespace {
constexpr WindowSettings menuSettings{
    .borderless = true,
    .showInTaskbar = false,
    .backColour = {240, 240, 240},
    .icon = nullptr,
    .clientWidth = 2010,
    .clientHeight = 420,
};
} // namespace

MenuForm::MenuForm()
    : Window("menu", menuSettings),                           //
      ckd_beep(*this, "ckd_beep", "Beep /!\\ F5", true),      //
      Taskbar(*this, "Taskbar", "TaskBar F6", true),          //
      Iconbureau(*this, "Iconbureau", "IconBureau F7", true), //
      unebarre(*this, "unebarre", "1 barre", false),          //
      deuxbarre(*this, "deuxbarre", "2 barre", false),        //
      troisbarre(*this, "troisbarre", "3 barre", false),      //
      quatresbarre(*this, "quatresbarre", "4 barre", false),  //
      cinqbarre(*this, "cinqbarre", "5 barre", false),        //
      sixbarre(*this, "sixbarre", "6 barre", false),          //
      septbarre(*this, "septbarre", "7 barre", false),        //
      huitbarre(*this, "huitbarre", "8 barre", false),        //
      cacher(*this, "cacher", "Cacher // F8", false,
             {&unebarre, &deuxbarre, &troisbarre, &quatresbarre, &cinqbarre, &sixbarre, &septbarre,
              &huitbarre}),
      quitter(*this, "quitter", "A Propos De Sorvane", false),
      menu(*this, "menu", "menu", false, {&ckd_beep, &Taskbar, &Iconbureau, &cacher, &quitter}) {}

} // namespace sorvane::forms

// The window `menu`: never shown; it only carries the options menu tree.
#pragma once

#include "forms/model.h"

#include <array>

namespace sorvane::forms {

class MenuForm final : public Window {
  public:
    MenuForm();

    MenuItem ckd_beep;
    MenuItem Taskbar;
    MenuItem Iconbureau;
    MenuItem unebarre, deuxbarre, troisbarre, quatresbarre, cinqbarre, sixbarre, septbarre,
        huitbarre;
    MenuItem cacher;
    MenuItem quitter;
    MenuItem menu; // the top level: its children are the pop-up's entries, in display order
};

} // namespace sorvane::forms

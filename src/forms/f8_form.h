// The recall watcher `F8`: an invisible window with two timers.
#pragma once

#include "forms/model.h"

namespace sorvane::forms {

class F8Form final : public Window {
  public:
    F8Form();

    Timer verif;
    Timer touche;
};

} // namespace sorvane::forms

// The gauge window `Main`: the start-up window, with its controls in paint order (bottom first).
#pragma once

#include "forms/model.h"

#include <array>

namespace sorvane::forms {

class MainForm final : public Window {
  public:
    MainForm();

    Image Pile;
    Image ImgBat;
    // Storage images: they lie beyond the 1920-twip width the window gets at start, never seen;
    // the program only reads their Picture.
    Image PileOn;
    Image PileOff;
    Image ImgBat0, ImgBat1, ImgBat2, ImgBat3, ImgBat4, ImgBat5, ImgBat6, ImgBat7, ImgBat8, ImgBat9;
    Image fermer;
    Image options;
    Label temps;
    HScrollBar HScroll1;
    Timer Timer1;
    Timer changer;
    Timer rappel;

    Image& ImgBatN(int n) { return *levels_.at(static_cast<std::size_t>(n)); }

    // Window-level variables.
    win::SYSTEM_POWER_STATUS EtatAlimentation{};
    HWND hTaskbar = 0;
    HWND hIconbureau = 0;

  private:
    std::array<Image*, 10> levels_;
};

} // namespace sorvane::forms

// The three windows as designed: what the program and the backends rely on.
#include "app/event_table.h"
#include "app/headless_machine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace sorvane;
using forms::PictureId;

struct Descriptions : ::testing::Test {
    app::HeadlessMachine m;
    Program& p = m.program();
};

// What the gauge's layout must keep, whatever the numbers: the two visible pictures tile the
// 1920-twip square the load handler leaves, each as large as the pictures it shows; the buttons
// lie on the battery; every stored picture lies outside the square; nothing leaves the window.
TEST_F(Descriptions, TheVisiblePicturesTileTheGaugeAndTheStoredOnesLieOutsideIt) {
    constexpr forms::Twips side = 1920; // the gauge's width and height once loaded
    const auto twips = [](int pixels) { return pixels * forms::twipsPerPixel; };
    const auto& pile = p.Main.Pile;
    const auto& level = p.Main.ImgBat;
    const auto* pileOn = forms::picture(PictureId::PileOn);
    const auto* oneLevel = forms::levelPicture(0);
    EXPECT_EQ(std::tuple(pile.Left.get(), pile.Top.get()), std::tuple(0, 0));
    EXPECT_EQ(std::tuple(pile.Width.get(), pile.Height.get()),
              std::tuple(twips(pileOn->width), twips(pileOn->height)));
    // Side by side, meeting within a pixel, the level column reaching the right edge.
    EXPECT_GE(level.Left.get(), pile.Left + pile.Width);
    EXPECT_LT(level.Left.get(), pile.Left + pile.Width + forms::twipsPerPixel);
    EXPECT_EQ(std::tuple(level.Width.get(), level.Height.get()),
              std::tuple(twips(oneLevel->width), twips(oneLevel->height)));
    EXPECT_GE(level.Left + level.Width, side);
    EXPECT_LT(level.Left + level.Width, side + forms::twipsPerPixel);
    EXPECT_EQ(pile.Height.get(), side);

    for (const forms::Image* button : {&p.Main.fermer, &p.Main.options}) {
        EXPECT_GE(button->Left.get(), pile.Left.get()) << button->name();
        EXPECT_GE(button->Top.get(), pile.Top.get()) << button->name();
        EXPECT_LE(button->Left + button->Width, pile.Left + pile.Width) << button->name();
        EXPECT_LE(button->Top + button->Height, pile.Top + pile.Height) << button->name();
    }
    std::vector<const forms::Image*> stored{&p.Main.PileOn, &p.Main.PileOff};
    for (int n = 0; n <= 9; ++n)
        stored.push_back(&p.Main.ImgBatN(n));
    for (const auto* image : stored) {
        EXPECT_GE(image->Left.get(), side) << image->name() << " would show in the gauge";
        ASSERT_NE(image->Picture.get(), nullptr) << image->name();
        EXPECT_EQ(image->Width.get(), twips(image->Picture.get()->width)) << image->name();
    }
    for (const auto* c : p.Main.controls()) {
        EXPECT_LE(c->Left + c->Width, p.Main.Width.get()) << c->name();
        EXPECT_LE(c->Top + c->Height, p.Main.Height.get()) << c->name();
    }
}

// The slider sets the gauge's alpha: it stays a byte, never reaches 0 (the slider alone must not
// make the gauge invisible), and every step, a page included, moves it without jumping the range.
TEST_F(Descriptions, TheSliderStaysAVisibleAlphaAndEveryStepMovesIt) {
    const auto& s = p.Main.HScroll1;
    EXPECT_GT(s.Min, 0);
    EXPECT_LE(s.Max, 255);
    EXPECT_LE(s.Min, s.Value());
    EXPECT_LE(s.Value(), s.Max);
    EXPECT_GE(s.SmallChange, 1);
    EXPECT_GE(s.LargeChange, s.SmallChange);
    EXPECT_LE(s.LargeChange, s.Max - s.Min);
}

TEST_F(Descriptions, MainWindowSettings) {
    const auto& s = p.Main.settings;
    EXPECT_TRUE(s.borderless);
    EXPECT_FALSE(s.showInTaskbar);
    EXPECT_EQ(s.backColour, (forms::Colour{245, 245, 252}));
    ASSERT_NE(s.icon, nullptr);
    EXPECT_EQ(s.icon->id, PictureId::Icon);
    EXPECT_EQ(p.Main.Width.get(), 4515);
    EXPECT_EQ(p.Main.Height.get(), 1920);
    EXPECT_EQ(p.menu.settings.icon, nullptr);
    EXPECT_EQ(std::tuple(p.menu.Width.get(), p.menu.Height.get()), std::tuple(2010, 420));
    EXPECT_EQ(std::tuple(p.F8.Width.get(), p.F8.Height.get()), std::tuple(900, 435));
    for (const forms::Window* w :
         {static_cast<forms::Window*>(&p.menu), static_cast<forms::Window*>(&p.F8)}) {
        EXPECT_TRUE(w->settings.borderless);
        EXPECT_FALSE(w->settings.showInTaskbar);
    }
}

TEST_F(Descriptions, StoragePicturesAndVisibleImages) {
    EXPECT_EQ(p.Main.Pile.Picture.get(), nullptr);
    EXPECT_EQ(p.Main.ImgBat.Picture.get(), nullptr);
    EXPECT_EQ(p.Main.PileOn.Picture.get()->id, PictureId::PileOn);
    EXPECT_EQ(p.Main.PileOff.Picture.get()->id, PictureId::PileOff);
    EXPECT_EQ(p.Main.fermer.Picture.get()->id, PictureId::Fermer);
    EXPECT_EQ(p.Main.options.Picture.get()->id, PictureId::Options);
    for (int n = 0; n <= 9; ++n) {
        const auto* pic = p.Main.ImgBatN(n).Picture.get();
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(static_cast<int>(pic->id), n);
        EXPECT_EQ(std::tuple(pic->width, pic->height), std::tuple(43, 128));
        // Every storage image lies wholly at or beyond the 1920-twip width set at start.
        EXPECT_GE(p.Main.ImgBatN(n).Left.get(), 1920);
    }
    EXPECT_GE(p.Main.PileOn.Left.get(), 1920);
    EXPECT_GE(p.Main.PileOff.Left.get(), 1920);
}

TEST_F(Descriptions, LabelSliderAndTimers) {
    EXPECT_EQ(p.Main.temps.Caption.get(), "Temps");
    EXPECT_EQ(p.Main.temps.TabIndex, 0);
    EXPECT_EQ(p.Main.HScroll1.TabIndex, 1);
    struct T {
        forms::Timer& timer;
        int interval;
        bool enabled;
    };
    for (const T& t :
         {T{p.Main.Timer1, 150, true}, T{p.Main.changer, 1, true}, T{p.Main.rappel, 1000, true},
          T{p.F8.verif, 2000, false}, T{p.F8.touche, 50, true}}) {
        EXPECT_EQ(t.timer.Interval.get(), t.interval) << t.timer.name();
        EXPECT_EQ(t.timer.Enabled.get(), t.enabled) << t.timer.name();
    }
}

TEST_F(Descriptions, ControlsPaintTheButtonsLabelAndSliderOverThePictures) {
    const auto& cs = p.Main.controls();
    auto position = [&](std::string_view name) {
        for (std::size_t i = 0; i < cs.size(); ++i)
            if (cs[i]->name() == name) return i;
        return cs.size();
    };
    for (auto front : {"fermer", "options", "temps", "HScroll1"})
        for (auto back : {"Pile", "ImgBat"})
            EXPECT_GT(position(front), position(back));
}

TEST_F(Descriptions, MenuTreeCaptionsAndCheckMarksInDisplayOrder) {
    const auto& top = p.menu.menu;
    EXPECT_EQ(top.Caption.get(), "menu");
    std::vector<std::tuple<std::string, bool, std::size_t>> got;
    for (const auto* item : top.children)
        got.emplace_back(item->Caption.get(), item->Checked.get(), item->children.size());
    EXPECT_EQ(got, (std::vector<std::tuple<std::string, bool, std::size_t>>{
                       {"Beep /!\\ F5", true, 0},
                       {"TaskBar F6", true, 0},
                       {"IconBureau F7", true, 0},
                       {"Cacher // F8", false, 8},
                       {"A Propos De Sorvane", false, 0}}));
    const char* names[] = {"unebarre",  "deuxbarre", "troisbarre", "quatresbarre",
                           "cinqbarre", "sixbarre",  "septbarre",  "huitbarre"};
    for (int n = 1; n <= 8; ++n) {
        const auto* item = p.menu.cacher.children[n - 1];
        EXPECT_EQ(item->name(), names[n - 1]);
        EXPECT_EQ(item->Caption.get(), std::to_string(n) + " barre");
        EXPECT_FALSE(item->Checked.get());
    }
}

TEST_F(Descriptions, EveryEventTableRowNamesARealWindowAndControl) {
    std::set<std::tuple<std::string_view, std::string_view, forms::Event>> seen;
    for (const auto& row : app::eventTable()) {
        EXPECT_TRUE(seen.insert({row.window, row.control, row.event}).second)
            << "bound twice: " << row.window << "." << row.control;
    }
    // Binding already ran in the Program's constructor; building another proves it again.
    EXPECT_NO_THROW(app::HeadlessMachine{});
}

} // namespace

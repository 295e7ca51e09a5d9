// The three windows as designed: what the program and the backends rely on.
#include "app/event_table.h"
#include "app/headless_machine.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

using namespace sorvane;
using forms::PictureId;

struct Descriptions : ::testing::Test {
    app::HeadlessMachine m;
    Program& p = m.program();
};

struct Placed {
    const char* name;
    forms::Twips left, top, width, height;
};

class MainControls : public Descriptions, public ::testing::WithParamInterface<Placed> {};

TEST_P(MainControls, HaveTheirDesignTimePlaceAndSize) {
    const auto& c = GetParam();
    const auto* control = p.Main.findControl(c.name);
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(std::tuple(control->Left.get(), control->Top.get(), control->Width.get(),
                         control->Height.get()),
              std::tuple(c.left, c.top, c.width, c.height))
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Main, MainControls,
    ::testing::Values(Placed{"Pile", 0, 0, 1275, 1920}, Placed{"ImgBat", 1280, 0, 645, 1920},
                      Placed{"fermer", 10, 10, 255, 255}, Placed{"options", 10, 1760, 240, 150},
                      Placed{"temps", 3480, 1320, 855, 255}, Placed{"HScroll1", 1920, 0, 1215, 135},
                      Placed{"PileOn", 3240, 0, 1275, 1920}, Placed{"PileOff", 3120, 0, 1275, 1920},
                      Placed{"ImgBat0", 1920, 0, 645, 1920}, Placed{"ImgBat5", 2520, 0, 645, 1920},
                      Placed{"ImgBat9", 3000, 0, 645, 1920}),
    [](const auto& info) { return std::string(info.param.name); });

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
    const auto& s = p.Main.HScroll1;
    EXPECT_EQ(std::tuple(s.Min, s.Max, s.Value(), s.SmallChange, s.TabIndex),
              std::tuple(50, 255, 200, 1, 1));
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

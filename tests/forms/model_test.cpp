// The forms model: what reaches the backend, and when.
#include "app/headless_machine.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvane;

struct Model : ::testing::Test {
    app::HeadlessMachine m;
    Program& p = m.program();
    Model() {
        // The model alone: without the program's start-up, which loads F8 and sets pictures.
        p.Main.Load = nullptr;
        m.runtime().Load(p.Main);
    }
};

TEST_F(Model, WritingTheValueAlreadyThereReachesNoBackend) {
    const int before = m.runtime().nativeChanges();
    p.Main.ImgBat.Picture = p.Main.ImgBat9.Picture;
    p.Main.temps.Caption = "12 min";
    EXPECT_EQ(m.runtime().nativeChanges(), before + 2);
    p.Main.ImgBat.Picture = p.Main.ImgBat9.Picture;
    p.Main.temps.Caption = "12 min";
    p.Main.Left = p.Main.Left.get();
    EXPECT_EQ(m.runtime().nativeChanges(), before + 2);
}

TEST_F(Model, AssignedPicturesAreTheSameSharedObject) {
    p.Main.Pile.Picture = p.Main.PileOff.Picture;
    EXPECT_EQ(p.Main.Pile.Picture.get(), p.Main.PileOff.Picture.get());
    EXPECT_EQ(p.Main.Pile.Picture.get()->id, forms::PictureId::PileOff);
    EXPECT_NE(p.Main.Pile.Picture.get(), p.Main.PileOn.Picture.get());
}

TEST_F(Model, ScrollBarRaisesChangeOnlyForANewValueAndRefusesOneOutOfRange) {
    int changes = 0;
    p.Main.HScroll1.Change = [&] { ++changes; };
    p.Main.HScroll1.setValue(200); // its design-time value
    EXPECT_EQ(changes, 0);
    p.Main.HScroll1.setValue(250);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(p.Main.HScroll1.Value(), 250);
    EXPECT_THROW(p.Main.HScroll1.setValue(256), std::out_of_range);
    EXPECT_THROW(p.Main.HScroll1.setValue(p.Main.HScroll1.Min - 1), std::out_of_range);
    EXPECT_EQ(p.Main.HScroll1.Value(), 250);
    EXPECT_EQ(changes, 1);
}

TEST_F(Model, ChangesBeforeAWindowIsLoadedReachNoBackend) {
    const int before = m.runtime().nativeChanges();
    p.menu.Taskbar.Checked = false; // `menu` is not loaded yet
    EXPECT_EQ(m.runtime().nativeChanges(), before);
    m.runtime().Load(p.menu);
    p.menu.Taskbar.Checked = true;
    EXPECT_EQ(m.runtime().nativeChanges(), before + 1);
}

TEST_F(Model, AWindowLoadsOnceAndShowingItLoadsIt) {
    int loads = 0;
    p.F8.Load = [&] { ++loads; };
    EXPECT_EQ(p.F8.hWnd(), 0u);
    p.F8.setVisible(true);
    p.F8.setVisible(true);
    m.runtime().Load(p.F8);
    EXPECT_EQ(loads, 1);
    EXPECT_NE(p.F8.hWnd(), 0u);
    EXPECT_TRUE(p.F8.Visible());
    EXPECT_TRUE(m.visible(p.F8.hWnd()));
}

} // namespace

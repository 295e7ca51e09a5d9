#include "app/event_table.h"

#include "battery/gauge_refresh.h"
#include "battery/hot_keys.h"
#include "battery/reminder.h"
#include "gauge_window/mod_opacite.h"
#include "gauge_window/startup.h"
#include "gauge_window/window_handling.h"
#include "options_menu/menu_commands.h"
#include "program/program.h"
#include "recall_watcher/recall_watcher.h"

#include <array>
#include <stdexcept>
#include <string>

namespace sorvane::app {

using forms::Delivery;
using forms::Event;
using forms::Wake;

namespace {

// How each poll may sleep. The refresh reads only the program's state, which only handlers
// change; the key polls look for their own keys; the reminder and the level watcher follow the
// battery, which no event announces, and keep their clocks.
constexpr Delivery afterHandlers{Wake::AfterHandlers};
constexpr Delivery optionKeys{Wake::OnKeys, {win::VK_F5, win::VK_F6, win::VK_F7}};
constexpr Delivery recallKey{Wake::OnKeys, {win::VK_F8}};

// clang-format off
constexpr std::array table{
    // window   control          event              handler
    EventBinding{"Main", "",             Event::Load,      &gauge_window::Form_Load},
    EventBinding{"Main", "Pile",         Event::MouseMove, nullptr, &gauge_window::Pile_MouseMove},
    EventBinding{"Main", "ImgBat",       Event::MouseMove, nullptr, &gauge_window::ImgBat_MouseMove},
    EventBinding{"Main", "temps",        Event::MouseMove, nullptr, &gauge_window::temps_MouseMove},
    EventBinding{"Main", "fermer",       Event::Click,     &gauge_window::fermer_Click},
    EventBinding{"Main", "options",      Event::Click,     &gauge_window::options_Click},
    EventBinding{"Main", "HScroll1",     Event::Change,    &gauge_window::HScroll1_Change},
    EventBinding{"Main", "changer",      Event::Timer,     &battery::changer_Timer, nullptr, afterHandlers},
    EventBinding{"Main", "Timer1",       Event::Timer,     &battery::Timer1_Timer,  nullptr, optionKeys},
    EventBinding{"Main", "rappel",       Event::Timer,     &battery::rappel_Timer},
    EventBinding{"menu", "ckd_beep",     Event::Click,     &options_menu::ckd_beep_Click},
    EventBinding{"menu", "Taskbar",      Event::Click,     &options_menu::Taskbar_Click},
    EventBinding{"menu", "Iconbureau",   Event::Click,     &options_menu::Iconbureau_Click},
    EventBinding{"menu", "unebarre",     Event::Click,     &options_menu::unebarre_Click},
    EventBinding{"menu", "deuxbarre",    Event::Click,     &options_menu::deuxbarre_Click},
    EventBinding{"menu", "troisbarre",   Event::Click,     &options_menu::troisbarre_Click},
    EventBinding{"menu", "quatresbarre", Event::Click,     &options_menu::quatresbarre_Click},
    EventBinding{"menu", "cinqbarre",    Event::Click,     &options_menu::cinqbarre_Click},
    EventBinding{"menu", "sixbarre",     Event::Click,     &options_menu::sixbarre_Click},
    EventBinding{"menu", "septbarre",    Event::Click,     &options_menu::septbarre_Click},
    EventBinding{"menu", "huitbarre",    Event::Click,     &options_menu::huitbarre_Click},
    EventBinding{"menu", "quitter",      Event::Click,     &options_menu::quitter_Click},
    EventBinding{"F8",   "",             Event::Load,      &recall_watcher::Form_Load},
    EventBinding{"F8",   "verif",        Event::Timer,     &recall_watcher::verif_Timer},
    EventBinding{"F8",   "touche",       Event::Timer,     &recall_watcher::touche_Timer,     nullptr, recallKey},
};
// clang-format on

forms::Window& windowNamed(Program& p, std::string_view name) {
    if (name == "Main") return p.Main;
    if (name == "menu") return p.menu;
    if (name == "F8") return p.F8;
    throw std::logic_error("event table: no window " + std::string(name));
}

void bind(Program& p, const EventBinding& row) {
    auto& window = windowNamed(p, row.window);
    auto handler = [&p, h = row.handler] { h(p); };
    auto fail = [&] {
        throw std::logic_error("event table: no " + std::string(row.window) + "." +
                               std::string(row.control) + " for this event");
    };
    if (row.control.empty()) {
        if (row.event != Event::Load || !row.handler) fail();
        window.Load = handler;
        return;
    }
    if (auto* timer = window.findTimer(row.control); timer && row.event == Event::Timer) {
        timer->Tick = handler;
        timer->delivery = row.delivery;
        return;
    }
    if (row.delivery.wake != Wake::Clock) fail();
    if (auto* item = window.findMenuItem(row.control); item && row.event == Event::Click) {
        item->Click = handler;
        return;
    }
    auto* control = window.findControl(row.control);
    if (!control) fail();
    if (row.event == Event::MouseMove && row.mouseHandler) {
        auto mouse = [&p, h = row.mouseHandler](const forms::MouseArgs& a) { h(p, a); };
        if (control->kind() == forms::ControlKind::Image)
            static_cast<forms::Image*>(control)->MouseMove = mouse;
        else if (control->kind() == forms::ControlKind::Label)
            static_cast<forms::Label*>(control)->MouseMove = mouse;
        else
            fail();
    } else if (row.event == Event::Click && control->kind() == forms::ControlKind::Image) {
        static_cast<forms::Image*>(control)->Click = handler;
    } else if (row.event == Event::Change && control->kind() == forms::ControlKind::HScrollBar) {
        static_cast<forms::HScrollBar*>(control)->Change = handler;
    } else {
        fail();
    }
}

} // namespace

std::span<const EventBinding> eventTable() {
    return table;
}

void bindEvents(Program& p) {
    for (const auto& row : table)
        if (row.handler || row.mouseHandler) bind(p, row);
}

} // namespace sorvane::app

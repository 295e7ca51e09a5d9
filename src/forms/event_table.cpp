#include "forms/event_table.h"

#include "battery/etat_batterie.h"
#include "forms/program.h"

#include <array>
#include <stdexcept>
#include <string>

namespace sorvane {

using forms::Event;

namespace {

// clang-format off
constexpr std::array table{
    // window   control   event            handler
    EventBinding{"Main", "", Event::Load, nullptr},
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
        return;
    }
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

} // namespace sorvane

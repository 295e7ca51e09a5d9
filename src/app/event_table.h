#pragma once

#include "forms/model.h"
#include "program/program.h"

#include <span>
#include <string_view>

namespace sorvane {
struct Program;
}

namespace sorvane::app {

// One row of the event table: window, control (empty for the window itself), event, handler.
struct EventBinding {
    std::string_view window;
    std::string_view control;
    forms::Event event;
    void (*handler)(Program&) = nullptr;
    void (*mouseHandler)(Program&, const forms::MouseArgs&) = nullptr;
    forms::Delivery delivery{}; // timers only
};

std::span<const EventBinding> eventTable();

// Wires every row of the table to its window, control, timer or menu item. Nothing else wires
// events.
void bindEvents(Program& p);

// The program as every entry point runs it: the context with every row of the table bound.
struct Gauge : Program {
    Gauge(win::OsServices& os, platform::FormsRuntime& rt) : Program(os, rt) { bindEvents(*this); }
};

} // namespace sorvane::app

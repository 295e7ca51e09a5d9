#pragma once

#include "forms/model.h"

#include <span>
#include <string_view>

namespace sorvane {

struct Program;

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

} // namespace sorvane

// One running program: its three windows, the shared state, and the two services it talks to.
// Handlers receive it instead of reaching for globals, so a test can run many programs at once.
// It binds no event: the program's assembly (app/) does.
#pragma once

#include "forms/f8_form.h"
#include "forms/main_form.h"
#include "forms/menu_form.h"
#include "platform/forms_runtime.h"
#include "platform/os_services.h"
#include "program/mod_main.h"

namespace sorvane {

struct Program {
    Program(win::OsServices& os, platform::FormsRuntime& rt);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Loads the start-up window `Main` (its load handler runs) and shows it.
    void start();

    win::OsServices& os;
    platform::FormsRuntime& rt;
    ModMain state; // mod_Main
    forms::MainForm Main;
    forms::MenuForm menu;
    forms::F8Form F8;
};

} // namespace sorvane

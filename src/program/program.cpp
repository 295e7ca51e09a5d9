#include "program/program.h"

namespace sorvane {

Program::Program(win::OsServices& os_, platform::FormsRuntime& rt_) : os(os_), rt(rt_) {
    rt.attach(Main);
    rt.attach(menu);
    rt.attach(F8);
}

void Program::start() {
    rt.Load(Main);
    rt.Show(Main);
}

} // namespace sorvane

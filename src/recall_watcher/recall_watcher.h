// The invisible window F8: keeps the gauge topmost and brings it back at a level or on F8.
#pragma once

namespace sorvane {
struct Program;
}

namespace sorvane::recall_watcher {
void Form_Load(Program& p);
void verif_Timer(Program& p);
void touche_Timer(Program& p);
void Form_Recall(Program& p);
} // namespace sorvane::recall_watcher

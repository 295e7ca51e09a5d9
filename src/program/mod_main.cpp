#include "program/mod_main.h"

#include <type_traits>

namespace sorvane {
static_assert(std::is_aggregate_v<ModMain>);
}

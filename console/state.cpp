#include "console/state.h"

#include "graph/asgraph.h"

console_state::console_state() = default;
console_state::~console_state() = default;

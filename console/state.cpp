#include "console/state.h"

#include "graph/analyses.h"
#include "graph/asgraph.h"
#include "graph/components.h"

console_state::console_state() = default;
console_state::~console_state() = default;

long componentCount(const std::unique_ptr<ASComponents>& split) noexcept
{
    return split ? static_cast<long>(split->count()) : 0;
}

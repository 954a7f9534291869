// Placeholder so that meshprobe links until the graph commands arrive.
#include "console/commands.h"

void loadGraph(const std::string& /*fileName*/, console_state& /*state*/) {}
void clearMem(console_state& /*state*/) {}
void saveGraph(const std::string& /*fileName*/, const command_target& /*target*/, long /*index*/,
               const console_state& /*state*/, bool /*forceOverwrite*/)
{
}

// Placeholder so that meshprobe links until the show command arrives.
#include "console/commands.h"

void showCount(const command_target& /*target*/, long /*index*/, const console_state& /*state*/) {}

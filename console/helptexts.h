#pragma once
// The help texts of the console's commands.
#include <cstdio>

#include "console/commands.h"

// Prints the help of one command on `out`, or the general help for CMD_NONE.
void printCommandHelp(command_code code, std::FILE* out);

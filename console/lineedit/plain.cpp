// Builds without libedit: no editor, standard input is read as it comes.
#include "console/lineedit.h"

std::unique_ptr<LineEditor> openLineEditor(std::string_view) { return nullptr; }

#include "Terminal.h"

#include <unistd.h>

bool OutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
bool ErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

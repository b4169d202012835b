#include "Terminal.h"

#include <cstdio>
#include <io.h>

bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }
bool ErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

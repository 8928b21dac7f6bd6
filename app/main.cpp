// Process entry: runs the program's start-up table around the main procedure.
#include "app/Program.h"

int main() { return app::Program::Main(); }

// Every test starts from the program's state at start-up: all zero.
#pragma once

void reset_globals();

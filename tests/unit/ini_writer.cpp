// Saves a port number into K960.ini the way the program does when its main
// panel is closed, in the program directory given. The K960.ini tests run it
// as a user whom file modes bind.
#include "app/globals.h"
#include "app/shell.h"
#include "platform/backends.h"

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    SetProjectDir(argv[1]);
    com_nummer = std::atoi(argv[2]);
    enden();
}

// Start-up, the port number file and shutdown.
#pragma once

// Loads the panels, restores the port number and runs the event loop.
int app_main(void);
// All of start-up but the event loop.
void starten(void);
void setup(void);
[[noreturn]] void enden(void);
int schluss(int panel, int event, void* callbackData, int eventData1, int eventData2);

// The port number file in the directory of the program's files.
#define K960_INI "K960.ini"
// The user interface resource file beside the program or in the install's
// data directory.
#define K964_UIR "K964_Vx.uir"

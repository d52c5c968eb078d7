#include "app/lesung.h"

void (*lesung_wort)(int i, int zahl, int fehler) = nullptr;
void (*lesung_kennung)(const char* antwort, int fehler) = nullptr;

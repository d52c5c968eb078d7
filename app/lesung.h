// What a read of the transmitter takes beyond the values that Save and
// Store write back (app/herkunft.h keeps those): the settings words as each
// was scanned, and the opening exchange's reply. Told to whoever set the
// hook; nothing happens while it is not set.
#pragma once

// Settings word i (0 to 8, and 13 for t12) has just been scanned: `zahl` is
// the scan's count (0: the reply held no number), `fehler` the line error of
// its exchange.
extern void (*lesung_wort)(int i, int zahl, int fehler);
// The opening exchange's reply, as it stands in in_buf, and its line error.
extern void (*lesung_kennung)(const char* antwort, int fehler);

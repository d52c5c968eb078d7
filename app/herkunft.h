// Where each value on the panels came from ("Herkunft"), kept beside the
// values themselves (set, ewert): read from this transmitter since the line
// was last opened or lost (ComLineGeneration), sent there from what the
// technician entered, or neither (the start-up value, a failed read-back, a
// reply without a number, anything from before a line loss or a
// calibration). Save and Store ask here what they send and whether they
// must ask first; the main panel's note line (MAIN_NOTE) says what is
// pending.
#pragma once

// The values, in the order Save and Store send them. The switches and the
// measuring mode are parts of word 0.
enum {
    HK_WORT0,  // set[0]
    HK_WORT8,  // set[8]
    HK_PUNKT1, // zero point, ewert[1]
    HK_PUNKT2, // end mark, ewert[2]
    HK_PUNKT3, // limit, ewert[3]
    HK_K8,     // calibration constants, ewert[8], ewert[9], ewert[10]
    HK_K9,
    HK_K0,
    HK_ANZAHL
};

// Everything unknown, as at start-up.
void herkunft_neu(void);
// The model's number for w was just read from the transmitter. A read that
// follows a send on the same line tells whether the transmitter took it.
void herkunft_gelesen(int w);
// The model's number for w is about to be sent: the technician's value.
void herkunft_gesendet(int w);
// The model's number for w is not known to be the transmitter's.
void herkunft_unbekannt(int w);
// As herkunft_unbekannt, because the reply to its read held no number.
void herkunft_ohne_zahl(int w);

// 1 when every value from `erster` to `letzter` was read or sent on the
// line as it is now; else Save and Store ask first.
int herkunft_bekannt(int erster, int letzter);
// 1 when Save or Store must send w: anything but the number read from this
// transmitter, untouched. (The wire carries four significant digits, the
// transmitter's replies five: sending an untouched value would change it.)
int herkunft_senden(int w);
// 1 when no value from `erster` to `letzter` was read back different from
// what was sent just before.
int herkunft_genommen(int erster, int letzter);

// A settings read-back has run to its end.
void herkunft_lesung(void);
// Writes of the settings begin (1) or the save command was taken (0): in
// between, values may be written but not saved.
void herkunft_ungesichert(int ja);
// Brings MAIN_NOTE up to date; after a line loss at once (every exchange
// calls herkunft_linie).
void herkunft_zeigen(void);
void herkunft_linie(void);

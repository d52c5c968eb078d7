// The serial line to the transmitter: opening it, the opening exchange, and
// the device transaction in the orders the call sites need.
#pragma once

int comok(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int go(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
void vollen(void);

// The read time-outs of the line, in seconds.
#define ZEIT_NORMAL 0.6
#define ZEIT_SCHREIBEN 2.0

// The device transaction after the command has been formatted into out_buf.
// Letters as on the variants: C empty in_buf, O flush output, W write out_buf,
// I flush input, R read the reply. Every read starts with an empty in_buf.
void tx_owir(void);  // O W I R: opening exchange, live poll, calibration
void tx_cowir(void); // C O W I R: settings read-back, words and save
void tx_ociwr(void); // O C I W R: set points write, calibration constants
// Sets in_buf positions 0 to 23 to zero.
void leeren(void);

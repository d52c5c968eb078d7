#include "app/globals.h"
#include "app/herkunft.h"
#include "link/link.h"
#include "platform/platform.h"

#include <cstring>

void leeren(void) {
    std::memset(in_buf, 0, 24);
}

static void schreiben(void) {
    ComWrt(com_nummer, out_buf, static_cast<int>(std::strlen(out_buf)));
}

// A line lost in this exchange is said on the main panel at once.
static void lesen(void) {
    ComRdTerm(com_nummer, in_buf, 24, 13);
    herkunft_linie();
}

void tx_owir(void) {
    FlushOutQ(com_nummer);
    schreiben();
    FlushInQ(com_nummer);
    leeren();
    lesen();
}

void tx_cowir(void) {
    leeren();
    FlushOutQ(com_nummer);
    schreiben();
    FlushInQ(com_nummer);
    lesen();
}

void tx_ociwr(void) {
    FlushOutQ(com_nummer);
    leeren();
    FlushInQ(com_nummer);
    schreiben();
    lesen();
}

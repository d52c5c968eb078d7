#include "app/herkunft.h"

#include "app/globals.h"
#include "platform/platform.h"
#include "ui/ids.h"

#include <cstdio>
#include <cstring>

namespace {

enum { KEINE, GELESEN, GESENDET };

struct Eintrag {
    int quelle;
    long linie;  // the line generation it was read or sent in
    double zahl; // the number read or sent
    int offen;   // sent, not read back since
    int nicht_genommen;
    int ohne_zahl;
};

Eintrag eintrag[HK_ANZAHL];
long lesung; // line generation of the last complete settings read-back; 0: none
int ungesichert_;
long gesehen; // the line generation the note was last brought up to date for
char notiz[300];

const char* const namen[HK_ANZAHL] = {"settings word 0", "settings word 8", "zero point",
                                      "end mark",        "limit",           "constant 8",
                                      "constant 9",      "constant 0"};

double modell(int w) {
    if (w == HK_WORT0)
        return set[0];
    if (w == HK_WORT8)
        return set[8];
    if (w >= HK_K8)
        return ewert[8 + (w - HK_K8)];
    return ewert[1 + (w - HK_PUNKT1)];
}

// Words travel whole, but Save writes bit 1 and the bits above 7 of word 0
// as 0 whatever the transmitter holds there; a real as the write command
// carries it.
int gleich_auf_dem_draht(int w, double a, double b) {
    char ta[32];
    char tb[32];
    if (w == HK_WORT0)
        return ((static_cast<int>(a) ^ static_cast<int>(b)) & 0xFD) == 0;
    if (w == HK_WORT8)
        return a == b;
    Fmt(ta, "%f[e2p3]", a);
    Fmt(tb, "%f[e2p3]", b);
    return std::strcmp(ta, tb) == 0;
}

int aktuell(int w) {
    return eintrag[w].quelle != KEINE && eintrag[w].linie == ComLineGeneration();
}

void anhaengen(char* text, const char* satz) {
    std::size_t n = std::strlen(text);
    std::snprintf(text + n, sizeof notiz - n, "%s%s", n ? ". " : "", satz);
}

// "Not taken by the transmitter: end mark, limit": the main panel's values
// not taken (ohne 0) or read without a number (ohne 1).
void liste(char* text, const char* anfang, int ohne) {
    char satz[160];
    int w;
    int n = 0;

    std::snprintf(satz, sizeof satz, "%s", anfang);
    for (w = HK_WORT0; w <= HK_PUNKT3; w++) {
        if (!(ohne ? eintrag[w].ohne_zahl : eintrag[w].nicht_genommen))
            continue;
        std::size_t l = std::strlen(satz);
        std::snprintf(satz + l, sizeof satz - l, "%s %s", n++ ? "," : "", namen[w]);
    }
    if (n)
        anhaengen(text, satz);
}

} // namespace

void herkunft_neu(void) {
    std::memset(eintrag, 0, sizeof eintrag);
    lesung = 0;
    ungesichert_ = 0;
    gesehen = 0;
    notiz[0] = '\0';
}

void herkunft_gelesen(int w) {
    Eintrag& e = eintrag[w];
    const double zahl = modell(w);
    e.nicht_genommen =
        e.offen && e.linie == ComLineGeneration() && !gleich_auf_dem_draht(w, e.zahl, zahl);
    e.ohne_zahl = 0;
    e.offen = 0;
    e.quelle = GELESEN;
    e.linie = ComLineGeneration();
    e.zahl = zahl;
}

void herkunft_gesendet(int w) {
    Eintrag& e = eintrag[w];
    e.quelle = GESENDET;
    e.linie = ComLineGeneration();
    e.zahl = modell(w);
    e.offen = 1;
    e.nicht_genommen = 0;
}

// What was sent stays to be compared with the next read on this line.
void herkunft_unbekannt(int w) {
    eintrag[w].quelle = KEINE;
    eintrag[w].nicht_genommen = 0;
    eintrag[w].ohne_zahl = 0;
}

void herkunft_ohne_zahl(int w) {
    herkunft_unbekannt(w);
    eintrag[w].ohne_zahl = 1;
}

int herkunft_bekannt(int erster, int letzter) {
    int w;
    for (w = erster; w <= letzter; w++) {
        if (!aktuell(w))
            return 0;
    }
    return 1;
}

int herkunft_senden(int w) {
    return !(aktuell(w) && eintrag[w].quelle == GELESEN && eintrag[w].zahl == modell(w));
}

int herkunft_genommen(int erster, int letzter) {
    int w;
    for (w = erster; w <= letzter; w++) {
        if (eintrag[w].nicht_genommen)
            return 0;
    }
    return 1;
}

void herkunft_lesung(void) {
    lesung = ComLineGeneration();
}

void herkunft_ungesichert(int ja) {
    ungesichert_ = ja;
}

void herkunft_zeigen(void) {
    char text[sizeof notiz] = "";

    gesehen = ComLineGeneration();
    if (lesung != 0 && lesung != gesehen)
        anhaengen(text, "Line lost since the settings were read: read them again");
    if (ungesichert_)
        anhaengen(text, "Values may be written but are not saved until a Save completes");
    liste(text, "Not taken by the transmitter:", 0);
    liste(text, "No number in the reply for:", 1);
    if (std::strcmp(text, notiz) == 0)
        return;
    std::memcpy(notiz, text, sizeof notiz);
    SetCtrlVal(p1, MAIN_NOTE, notiz);
}

void herkunft_linie(void) {
    if (ComLineGeneration() != gesehen)
        herkunft_zeigen();
}

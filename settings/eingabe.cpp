#include "platform/platform.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>

int eingabe_ok(int panel, const int* felder, int anzahl) {
    double zahl = 0.0;
    char label[64];
    char text[100];
    int k;
    std::size_t n;

    for (k = 0; k < anzahl; k++) {
        if (GetCtrlVal(panel, felder[k], &zahl) != UIE_NOT_A_NUMBER)
            continue;
        GetCtrlAttribute(panel, felder[k], ATTR_LABEL_TEXT, label);
        n = std::strlen(label);
        while (n > 0 && label[n - 1] == ' ')
            label[--n] = '\0';
        std::snprintf(text, sizeof text, "%s: not a number !", label);
        MessagePopup("Input", text);
        return 0;
    }
    return 1;
}

#include "tests/support/reset_globals.h"

#include "app/globals.h"
#include "app/herkunft.h"
#include "platform/platform.h"

#include <cstring>

void reset_globals() {
    com_nummer = p1 = p3 = p4 = m1 = hol = fehlx = linear = 0;
    herkunft_neu();
    std::memset(out_buf, 0, sizeof out_buf);
    std::memset(in_buf, 0, sizeof in_buf);
    std::memset(wert, 0, sizeof wert);
    std::memset(set, 0, sizeof set);
    std::memset(ewert, 0, sizeof ewert);
    rs232err = 0;
}

// Replies as the line delivers them: at most 24 arbitrary bytes, read at the
// offsets the commands use. Nothing may read or write out of bounds, and a
// number that scans must survive the command format and scan back.
#include "platform/fmt.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char in_buf[50] = {};
    std::memcpy(in_buf, data, size < 24 ? size : 24);
    for (int skip = 0; skip <= 3; ++skip) {
        int word = 0;
        Scan(in_buf + skip, "%d", &word);
        double a = 0.0;
        double b = 0.0;
        Scan(in_buf + skip, "%f%f", &a, &b);
        if (Scan(in_buf + skip, "%f", &a) == 1) {
            if (!std::isfinite(a))
                std::abort();
            char out_buf[50];
            Fmt(out_buf, "D%d%f[e2p3]%c", 1, a, 13);
            double back = 0.0;
            if (Scan(out_buf + 2, "%f", &back) != 1)
                std::abort();
            if (std::fabs(back - a) > 5e-4 * std::fabs(a) + 1e-300)
                std::abort();
        }
    }
    char text[64] = {};
    std::memcpy(text, data, size < 63 ? size : 63);
    double v = 0.0;
    if (ParseReal(text, &v) && !std::isfinite(v))
        std::abort();
    return 0;
}

// Adds calibrations to the history at argv[1] until it is killed, saying
// each one's id followed by a point once the store has it.
#include "history/history_store.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    HistoryStore store;
    if (!store.open(argv[1])) {
        std::fprintf(stderr, "%s\n", store.error().c_str());
        return 1;
    }
    CalibrationEntry e;
    e.tag = "killed";
    e.technician = "writer";
    e.before = {1.0, 0.0, 3.7};
    e.after = {1.01, 0.0, 3.7};
    e.outcome = CalibrationOutcome::Accepted;
    for (;;) {
        const auto id = store.add(e);
        if (id == 0) {
            std::fprintf(stderr, "%s\n", store.error().c_str());
            return 1;
        }
        std::printf("%lld.\n", static_cast<long long>(id));
        std::fflush(stdout);
    }
}

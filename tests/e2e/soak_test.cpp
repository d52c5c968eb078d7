// The soak run: the service panel polling k964-sim for K964_SOAK_SECONDS
// (tools/soak.sh; skipped when the variable is not set). A technician
// leaves the panel open for hours: memory must stay flat and the poll must
// keep its pace. Samples the resident set and the simulator's command
// counter every 30 s and prints them as a table.
#include "app/globals.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/resident.h"

#include <QTest>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWindowSeconds = 30;
// One poll is u1, u5, u9 and m2.
constexpr long kCommandsPerPoll = 4;
constexpr long kMaxGrowthKiB = 1024;
constexpr double kMaxRateDrift = 0.10;

long commands(const std::string& status) {
    const std::string key = " commands=";
    const std::size_t at = status.find(key);
    return at == std::string::npos ? -1 : std::stol(status.substr(at + key.size()));
}

struct Sample {
    double seconds;
    long rssKiB;
    long polls;
};

using E2eSoak = E2eTest;

TEST_F(E2eSoak, ThePollKeepsItsPaceAndMemoryStaysFlat) {
    const char* value = std::getenv("K964_SOAK_SECONDS");
    if (value == nullptr)
        GTEST_SKIP() << "set K964_SOAK_SECONDS to run (tools/soak.sh)";
    const long seconds = std::strtol(value, nullptr, 10);
    const long windows = seconds / kWindowSeconds;
    ASSERT_GE(windows, 2) << "K964_SOAK_SECONDS=" << value << ": at least " << 2 * kWindowSeconds
                          << " s, two windows to compare";

    connect();
    openService();
    const Clock::time_point start = Clock::now();
    std::vector<Sample> samples;
    auto sample = [&] {
        const long n = commands(sim->command("status"));
        ASSERT_GE(n, 0) << "no status from k964-sim";
        samples.push_back({std::chrono::duration<double>(Clock::now() - start).count(),
                           resident_kib(), n / kCommandsPerPoll});
    };
    sample();
    for (long w = 0; w < windows; ++w) {
        QTest::qWait(kWindowSeconds * 1000);
        sample();
    }

    std::printf("%8s %10s %8s %8s\n", "t [s]", "RSS [KiB]", "polls", "polls/s");
    std::vector<double> rates;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double rate = 0.0;
        if (i > 0) {
            rate = static_cast<double>(samples[i].polls - samples[i - 1].polls) /
                   (samples[i].seconds - samples[i - 1].seconds);
            rates.push_back(rate);
        }
        std::printf("%8.1f %10ld %8ld %8.3f\n", samples[i].seconds, samples[i].rssKiB,
                    samples[i].polls - samples[0].polls, rate);
    }
    std::fflush(stdout);

    // The first window is the warm-up: Qt's caches and the allocator settle.
    const long growth = samples.back().rssKiB - samples[1].rssKiB;
    EXPECT_LT(growth, kMaxGrowthKiB) << "KiB more after the warm-up";
    ASSERT_GT(rates.front(), 0.0) << "the panel did not poll";
    EXPECT_NEAR(rates.back(), rates.front(), kMaxRateDrift * rates.front());
    EXPECT_EQ(text(p3, SERVICE_STATUS), "ok");
    EXPECT_EQ(fehlx, 0);
}

} // namespace

// The end-to-end fixture with the program's additions (trace, record,
// trend, outcome lines, assistant, profiles) made by the test: `addons` goes
// before the panels and the line it watches.
#pragma once

#include "addons/addons.h"
#include "tests/e2e/e2e_fixture.h"

#include <memory>
#include <string>

class AddonsTest : public E2eTest {
  protected:
    void TearDown() override {
        addons.reset();
        E2eTest::TearDown();
    }
    std::string wireLog() const { return dir + "/wire.log"; }
    // k964-sim logging every byte on the line to wireLog(), and the
    // additions.
    void startWithWire() {
        startSim({"--wire", wireLog()});
        addons = std::make_unique<Addons>();
    }
    std::unique_ptr<Addons> addons;
};

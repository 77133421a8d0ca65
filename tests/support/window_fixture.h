#pragma once
// The window over its in-memory stand-ins (support/stand_in_window.h) as a test fixture,
// started up as the program starts it.
#include <gtest/gtest.h>

#include <string>

#include "support/stand_in_window.h"
#include "support/status_lamp.h"

namespace zelmar::testing {

class WindowTest : public ::testing::Test, public StandInWindow {
  protected:
    void SetUp() override { window.Form_Load(); }

    // Opens the port from the red lamp; the device's first value is still to come.
    void Connect() {
        window.imgNotConnected_Click();
        ASSERT_TRUE(port.PortOpen());
    }

    // Feeds received bytes and returns the bytes answered.
    std::string Feed(std::initializer_list<int> bytes) { return port.Exchange(bytes); }

    const std::string& Pane() const { return window.txtTerm.text(); }

    // The engine's state and image, as the window's components leave them.
    const LinkState& state = window.line.state();
    ObjectTable& table = window.line.table();
};

}  // namespace zelmar::testing

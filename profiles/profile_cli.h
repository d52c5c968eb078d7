// k964 --port N --read FILE and k964 --port N --compare FILE: the port
// opened as the COM port panel opens it, the transmitter read as the
// service panel's opening reads it, without a display. What a window would
// say goes to standard error.
#pragma once

#include "profiles/profile_actions.h"

#include <string>

enum { kExitIdentical = 0, kExitNotIdentical = 1, kExitError = 2 };

// With the panels loaded (offscreen). `history`: where a saved profile is
// also kept, or none. Returns the exit status.
int run_profile_read(int port, const std::string& file, const std::string& tag,
                     const std::string& program, const std::string& now, ProfileHistory* history);
int run_profile_compare(int port, const std::string& file);

#include "platform/ui_tap.h"

// Popups without a display: said on standard error; a question is answered
// no.
class BatchUi : public UiTap {
  public:
    using UiTap::UiTap;
    int messagePopup(const char* title, const char* message) override;
    int confirmPopup(const char* title, const char* message) override;
};

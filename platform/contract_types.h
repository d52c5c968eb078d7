// A description of what a resource file must hold: panels, and the controls,
// menu items and timers in them, with their kinds and callback names.
#pragma once

enum class CtrlKind {
    Switch,    // 0 or 1
    Selector,  // item index
    Real,      // double, display format and precision
    Integer,   // 32-bit signed
    Text,      // status text
    Indicator, // 0 or 1
    Command,   // button
    Timer,
    MenuItem,
};

struct CtrlContract {
    int panel; // resource number
    const char* name;
    int id;
    CtrlKind kind;
    const char* callback; // nullptr: none
};

struct PanelContract {
    int resource;
    const char* name;
    const char* callback; // nullptr: none
};

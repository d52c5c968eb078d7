// A caption before its control: the caption's text is its own name (for
// assistive technology too), the control has a name of its own, and the
// caption's mnemonic moves the focus to the control.
#pragma once

#include <QLabel>

inline QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// How the user's events on the loaded panels reach their callbacks.
#include "platform/qt/qt_ui_events.h"

#include "platform/backends.h"
#include "platform/qt/numeric_field.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVariant>
#include <QWidget>

namespace {

// A click moves the focus onto the command, and the field left finishes its
// edit first. A mnemonic, Enter or Space on the focused command, a menu
// item's shortcut and an assistive technology's press leave the focus where
// it is: the edits pending in the window's fields are taken or refused here,
// with the same events, so that the command sees the values shown. A command
// dropped because another one runs changes nothing under that one.
void finishEdits(QWidget* window) {
    if (CallbackRunning())
        return;
    for (NumericField* field : window->findChildren<NumericField*>())
        field->finishEdit();
    for (QAbstractSpinBox* spin : window->findChildren<QAbstractSpinBox*>())
        spin->interpretText();
}

} // namespace

// An integer dynamic property; false when absent or not a number.
bool IntProperty(const QObject* object, const char* name, int* value) {
    QVariant v = object->property(name);
    if (!v.isValid())
        return false;
    bool ok = false;
    *value = v.toInt(&ok);
    return ok;
}

// Connects the user's event on `object` of `panelWidget` to its callback.
// False when the callback does not fit the kind of control.
bool ConnectUserEvent(QObject* object, const CallbackBinding* binding, QWidget* panelWidget,
                      int panel, int menuBar, int id) {
    if (auto* action = qobject_cast<QAction*>(object)) {
        MenuCallbackPtr menu = binding->menu;
        if (!menu || menuBar == 0)
            return false;
        // The item is the panel's child: the panel outlives it.
        QObject::connect(action, &QAction::triggered, action, [=] {
            finishEdits(panelWidget->window());
            DispatchMenuCallback(menu, menuBar, id, panel);
        });
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(object);
    CtrlCallbackPtr callback = binding->ctrl;
    if (!widget || !callback)
        return false;
    if (widget->property("interval").isValid()) {
        // An instrument panel's timer: it ticks from loading on, shown or not.
        int interval = 0;
        if (!IntProperty(widget, "interval", &interval) || interval <= 0)
            return false;
        auto* timer = new QTimer(widget);
        timer->setInterval(interval);
        QObject::connect(timer, &QTimer::timeout, timer, [callback, panel, id] {
            DispatchCtrlCallback(callback, panel, id, EVENT_TIMER_TICK);
        });
        widget->hide();
        timer->start();
        return true;
    }
    auto commit = [callback, panel, id] {
        DispatchCtrlCallback(callback, panel, id, EVENT_COMMIT);
    };
    // Each of these signals comes from the user only, never from SetCtrlVal.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        // Enter on a focused command presses it, as Space does.
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(true);
        QObject::connect(button, &QAbstractButton::clicked, button, [button, commit] {
            finishEdits(button->window());
            commit();
        });
    } else if (auto* selector = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(selector, &QComboBox::activated, selector, commit);
    } else if (auto* field = qobject_cast<NumericField*>(widget)) {
        QObject::connect(field, &NumericField::committed, field, commit);
    } else {
        return false;
    }
    return true;
}

// Enter confirms a panel that has a default button, as in a dialog.
void AddDefaultButtonKeys(QWidget* panel) {
    for (QPushButton* button : panel->findChildren<QPushButton*>()) {
        if (!button->isDefault())
            continue;
        for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
            auto* shortcut = new QShortcut(QKeySequence(key), panel);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            QObject::connect(shortcut, &QShortcut::activated, button, [button] {
                if (button->isVisible() && button->isEnabled())
                    button->click();
            });
        }
    }
}

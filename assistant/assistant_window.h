// Service -> Calibrate...: the assistant's window beside the service panel,
// never modal, so the poll and the trend go on while it is open. It shows
// the step and what to do, the live values and the stability, the as-found
// and as-left readings and constants with the tolerance's verdict, and asks
// who calibrates where with which gas. Keyboard: every field and button has
// a mnemonic or a tab stop; every text is carried by an accessible name.
#pragma once

#include "assistant/assistant.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class AssistantWindow : public QWidget {
  public:
    // `remember` is called when something worth remembering was entered or
    // a calibration was recorded.
    AssistantWindow(Assistant& assistant, std::function<void()> remember,
                    QWidget* parent = nullptr);

    // Shows the assistant's state; the window's timer calls it while shown.
    void refresh();

    // The buttons, for the keyboard and the tests.
    QPushButton* zeroButton() const { return zero_; }
    QPushButton* spanButton() const { return span_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* unstableButton() const { return unstable_; }
    QPushButton* keepButton() const { return keep_; }
    QPushButton* rejectButton() const { return reject_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* restoreButton() const { return restore_; }
    QTableWidget* readings() const { return table_; }

  private:
    void act(Assistant::Go go);
    void showGas();
    void takeGas();

    Assistant& assistant_;
    std::function<void()> remember_;
    QLineEdit* technician_;
    QLineEdit* tag_;
    QDoubleSpinBox* tolerance_;
    QLineEdit* concentration_;
    QComboBox* unit_;
    QLineEdit* lot_;
    QLineEdit* expiry_;
    QLabel* title_;
    QLabel* instruction_;
    QLabel* value_;
    QLabel* u1_;
    QLabel* stability_;
    QLabel* message_;
    QTableWidget* table_;
    QPushButton* zero_;
    QPushButton* span_;
    QPushButton* next_;
    QPushButton* unstable_;
    QPushButton* keep_;
    QPushButton* reject_;
    QPushButton* cancel_;
    QPushButton* restore_;
};

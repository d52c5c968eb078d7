// The Qt user interface with the real panels loaded and the poll timer
// stopped, for the tests of its events, values and painting.
#pragma once

#include "qt_fixture.h"

#include <QTest>
#include <QTimer>

class QtUiTest : public QtFixture {
  protected:
    void SetUp() override {
        QtFixture::SetUp();
        loadAll();
        // Ticks would mix into the calls a test expects; the tests about the
        // timer start it again.
        pollTimer()->stop();
    }

    QTimer* pollTimer() { return ui->control(servicePanel, POLL_TIMER)->findChild<QTimer*>(); }

    void showAll() {
        DisplayPanel(mainPanel);
        DisplayPanel(comPanel);
        DisplayPanel(servicePanel);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->panelWidget(mainPanel)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui->panelWidget(servicePanel)));
    }

    void activate(int panel) {
        QWidget* window = ui->panelWidget(panel);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    int handleOf(int resource) const {
        return resource == PANEL_MAIN ? mainPanel : resource == PANEL_COM ? comPanel : servicePanel;
    }
};

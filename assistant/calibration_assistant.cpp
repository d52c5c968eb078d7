#include "assistant/calibration_assistant.h"

#include "app/globals.h"
#include "calibration/calibration.h"
#include "history/program_history.h"
#include "platform/backends.h"
#include "platform/ui_tap.h"
#include "ui/ids.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

CalibrationAssistant::CalibrationAssistant(UiTap& tap, AssistantHooks hooks,
                                           std::function<std::string()> confPath)
    : assistant_(std::make_unique<Assistant>(watch_, hooks)), confPath_(std::move(confPath)) {
    tap.addListener(&watch_);
    if (!hooks.record)
        assistant_->setRecord([this](const CalibrationEntry& e) { return keep(e); });
}

std::int64_t CalibrationAssistant::keep(const CalibrationEntry& entry) {
    std::string error;
    HistoryStore* history = ProgramHistory(&error);
    if (!history)
        return 0;
    const std::int64_t id = history->add(entry);
    if (id != 0 && recorded_)
        recorded_();
    return id;
}

void CalibrationAssistant::recall() {
    const AssistantMemory m = read_assistant_memory(confPath_());
    assistant_->setTechnician(m.technician);
    assistant_->setTag(m.tag);
    if (m.tolerancePercent > 0.0)
        assistant_->setTolerance(m.tolerancePercent);
    assistant_->setGas(CalibrationKind::Zero, m.zeroGas);
    assistant_->setGas(CalibrationKind::Span, m.spanGas);
}

CalibrationAssistant::~CalibrationAssistant() {
    delete window_;
}

bool CalibrationAssistant::remember() {
    AssistantMemory m;
    m.technician = assistant_->technician();
    m.tag = assistant_->tag();
    m.tolerancePercent = assistant_->tolerance();
    m.zeroGas = assistant_->gas(CalibrationKind::Zero);
    m.spanGas = assistant_->gas(CalibrationKind::Span);
    return write_assistant_memory(confPath_(), m);
}

namespace {

// To the right of the service panel where the screen has room, else over
// its right part; always on the screen.
void place_beside(QWidget* window, QWidget* panel) {
    QScreen* screen = panel->screen() ? panel->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QSize size = window->sizeHint().boundedTo(room.size());
    window->resize(size);
    QPoint at = panel->frameGeometry().topRight() + QPoint(8, 0);
    at.setX(std::min(at.x(), room.right() - size.width()));
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - size.height())));
    window->move(at);
}

} // namespace

void CalibrationAssistant::show(QWidget* servicePanel) {
    if (!window_) {
        recall();
        window_ = new AssistantWindow(*assistant_, [this] { remember(); });
    }
    // The menu item's callback runs now; the service panel's own one after.
    if (servicePanel && !servicePanel->isVisible()) {
        QTimer::singleShot(0, window_, [this, servicePanel = QPointer<QWidget>(servicePanel)] {
            DispatchMenuCallback(setoffen, m1, MENUBAR_SERVICE, p1);
            if (servicePanel)
                place_beside(window_, servicePanel);
            window_->raise();
        });
    } else if (servicePanel) {
        place_beside(window_, servicePanel);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->refresh();
}

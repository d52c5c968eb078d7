#include "platform/qt/qt_ui.h"

#include "platform/qt/led.h"
#include "platform/qt/numeric_field.h"
#include "platform/qt/qt_ui_events.h"
#include "platform/qt/screen_fit.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QUiLoader>
#include <cstdio>
#include <memory>

namespace {

// How long DisplayPanel waits for a window to be on the screen.
constexpr int kFirstPaintMs = 500;

// Builds our own widgets for the class names the resource file uses.
class Loader : public QUiLoader {
  public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* widget = nullptr;
        if (className == QLatin1String("NumericField"))
            widget = new NumericField(parent);
        else if (className == QLatin1String("Led"))
            widget = new Led(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        widget->setObjectName(name);
        return widget;
    }
};

// Tells whoever maintains the resource file what is wrong with it.
bool damaged(const char* path, const QObject* where, const char* what) {
    qWarning("%s: %s: %s", path, qPrintable(where->objectName()), what);
    return false;
}

// Notes the first paint of a window and ends a wait for it.
class FirstPaint : public QObject {
  public:
    explicit FirstPaint(QEventLoop* loop) : loop_(loop) {}
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        (void)watched;
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QMetaObject::invokeMethod(loop_, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    QEventLoop* loop_;
};

// A window just shown is not on the screen yet: on X11 it must be mapped and
// exposed before anything paints in it. A callback that goes on to wait on
// the line would leave the technician with nothing to see, so wait here, at
// most `limitMs`, serving the window system only: no user input, and no
// callback (the poll timer's ticks are dropped meanwhile).
void waitUntilPainted(QWidget* window, int limitMs) {
    QEventLoop loop;
    FirstPaint paint(&loop);
    window->installEventFilter(&paint);
    CallbacksHeld held;
    QDeadlineTimer deadline(limitMs);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    while (!paint.painted && !deadline.hasExpired())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    window->removeEventFilter(&paint);
}

// The first control inside `panel` that Tab reaches.
QWidget* firstTabStop(QWidget* panel) {
    for (QWidget* w = panel->nextInFocusChain(); w != panel && panel->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            return w;
    }
    return nullptr;
}

// A child panel without an area of its own floats over the middle of its parent.
void centre(QWidget* panel) {
    QWidget* over = panel->parentWidget();
    panel->adjustSize();
    panel->move((over->width() - panel->width()) / 2, (over->height() - panel->height()) / 2);
    panel->raise();
}

} // namespace

void QtUi::setPanelLoadedHook(std::function<void(int, int)> hook) {
    panelLoaded_ = std::move(hook);
}

QtUi::~QtUi() {
    for (auto& [handle, panel] : panels_) {
        if (panel.widget && panel.widget->isWindow())
            delete panel.widget;
    }
}

const QtUi::Panel* QtUi::find(int panel) const {
    auto it = panels_.find(panel);
    return it == panels_.end() || !it->second.widget ? nullptr : &it->second;
}

QWidget* QtUi::panelWidget(int panel) const {
    const Panel* p = find(panel);
    return p ? p->widget.data() : nullptr;
}

QWidget* QtUi::control(int panel, int control) const {
    const Panel* p = find(panel);
    if (!p)
        return nullptr;
    auto it = p->controls.find(control);
    return it == p->controls.end() ? nullptr : it->second.data();
}

QString QtUi::panelFile(int panel) const {
    const Panel* p = find(panel);
    return p ? p->file : QString();
}

QAction* QtUi::menuItem(int menuBar, int item) const {
    for (const auto& [handle, panel] : panels_) {
        if (panel.menuBar != menuBar || !panel.widget)
            continue;
        auto it = panel.menuItems.find(item);
        return it == panel.menuItems.end() ? nullptr : it->second.data();
    }
    return nullptr;
}

int QtUi::loadPanel(int parent, const char* path, int resource) {
    QWidget* host = nullptr;
    if (parent != 0) {
        host = panelWidget(parent);
        if (!host)
            return UIE_BAD_HANDLE;
    }
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return UIE_FILE_NOT_FOUND;
    Loader loader;
    std::unique_ptr<QWidget> root(loader.load(&file));
    if (!root) {
        qWarning("%s: %s", path, qPrintable(loader.errorString()));
        return UIE_BAD_RESOURCE;
    }
    Panel panel;
    panel.resource = resource;
    panel.file = QFileInfo(file).absoluteFilePath();
    for (QWidget* w : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        int r = 0;
        if (IntProperty(w, "panelResource", &r) && r == resource) {
            panel.widget = w;
            break;
        }
    }
    if (!panel.widget)
        return UIE_NO_SUCH_PANEL;
    int handle = nextHandle_;
    if (!bind(handle, panel, path))
        return UIE_BAD_RESOURCE;
    // Taken out of the root, the panel outlives it; the rest goes.
    if (host)
        embed(panel, host);
    else
        panel.widget->setParent(nullptr, Qt::Window);
    panel.widget->hide();
    panel.widget->installEventFilter(this);
    nextHandle_ += panel.menuBar ? 2 : 1;
    panels_[handle] = panel;
    if (panelLoaded_)
        panelLoaded_(handle, resource);
    return handle;
}

bool QtUi::bind(int handle, Panel& panel, const char* path) {
    QWidget* widget = panel.widget;
    QVariant panelCallback = widget->property("callback");
    if (panelCallback.isValid()) {
        const CallbackBinding* b = FindCallback(panelCallback.toString().toUtf8().constData());
        if (!b || !b->panel)
            return damaged(path, widget, "no such panel callback");
        panel.callback = b->panel;
    }
    if (auto* window = qobject_cast<QMainWindow*>(widget)) {
        if (qobject_cast<QMenuBar*>(window->menuWidget()))
            panel.menuBar = handle + 1;
    }
    for (QObject* object : widget->findChildren<QObject*>()) {
        int id = 0;
        bool hasId = object->property("ctrlId").isValid();
        auto* action = qobject_cast<QAction*>(object);
        auto* control = qobject_cast<QWidget*>(object);
        if (hasId) {
            if (!IntProperty(object, "ctrlId", &id) || id <= 0 || (!action && !control) ||
                (action ? panel.menuItems.count(id) : panel.controls.count(id)))
                return damaged(path, object, "bad or repeated ctrlId");
            if (action)
                panel.menuItems[id] = action;
            else
                panel.controls[id] = control;
        }
        QVariant name = object->property("callback");
        if (!name.isValid())
            continue;
        if (!hasId)
            return damaged(path, object, "a callback without a ctrlId");
        const CallbackBinding* b = FindCallback(name.toString().toUtf8().constData());
        if (!b)
            return damaged(path, object, "unknown callback");
        if (!ConnectUserEvent(object, b, widget, handle, panel.menuBar, id))
            return damaged(path, object, "callback does not fit the control");
    }
    AddDefaultButtonKeys(widget);
    return true;
}

void QtUi::embed(Panel& panel, QWidget* host) {
    QWidget* widget = panel.widget;
    QWidget* area = nullptr;
    for (QWidget* w : host->findChildren<QWidget*>()) {
        int r = 0;
        if (IntProperty(w, "childPanel", &r) && r == panel.resource) {
            area = w;
            break;
        }
    }
    auto* mainWindow = qobject_cast<QMainWindow*>(host);
    QWidget* target = area                                        ? area
                      : mainWindow && mainWindow->centralWidget() ? mainWindow->centralWidget()
                                                                  : host;
    // Qt appends the child's controls to the host's tab ring: with the area
    // at the top of the host, Tab still goes in reading order.
    widget->setParent(target, Qt::Widget);
    if (area && area->layout()) {
        // Keep the area's room when the panel hides, so nothing jumps.
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        area->layout()->addWidget(widget);
    } else {
        panel.floating = true;
    }
}

int QtUi::getPanelMenuBar(int panel) {
    const Panel* p = find(panel);
    return p ? p->menuBar : UIE_BAD_HANDLE;
}

int QtUi::displayPanel(int panel) {
    const Panel* p = find(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    QWidget* widget = p->widget;
    if (p->floating)
        centre(widget);
    const bool appears = !widget->isVisible() || widget->isMinimized();
    // A minimised panel asked for is wanted on screen.
    if (widget->isWindow() && widget->isMinimized())
        widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    if (widget->isWindow() && !widget->isVisible())
        FitToScreen(widget);
    widget->show();
    widget->raise();
    if (widget->isWindow()) {
        widget->activateWindow();
        if (appears)
            waitUntilPainted(widget, kFirstPaintMs);
    } else if (!widget->isAncestorOf(QApplication::focusWidget())) {
        // A child panel shown is the active one: its first control gets the keys.
        if (QWidget* first = firstTabStop(widget))
            first->setFocus(Qt::OtherFocusReason);
    }
    return 0;
}

int QtUi::hidePanel(int panel) {
    const Panel* p = find(panel);
    if (!p)
        return UIE_BAD_HANDLE;
    p->widget->hide();
    return 0;
}

int QtUi::setPanelAttribute(int panel, int attribute, const char* value) {
    const Panel* p = find(panel);
    if (!p || attribute != ATTR_TITLE)
        return UIE_BAD_HANDLE;
    p->widget->setWindowTitle(displayText(value));
    return 0;
}

int QtUi::messagePopup(const char* title, const char* message) {
    QMessageBox box(QMessageBox::NoIcon, displayText(title), displayText(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // A port that did not open: the box says which device and why, and so
    // does standard error, for whoever started the program from a terminal.
    const QString why = QString::fromUtf8(SerialOpenFailure());
    if (!why.isEmpty()) {
        box.setInformativeText(why);
        std::fprintf(stderr, "k964: %s\n%s\n", message, why.toLocal8Bit().constData());
    }
    box.exec();
    return 0;
}

int QtUi::confirmPopup(const char* title, const char* message) {
    QMessageBox box(QMessageBox::Question, displayText(title), displayText(message),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // A calibration cannot be undone: a reflex Enter must not start one.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int QtUi::runUserInterface() {
    return QApplication::exec();
}

bool QtUi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close)
        return false;
    for (const auto& [handle, panel] : panels_) {
        if (panel.widget != watched)
            continue;
        // The panel callback decides what closing means; Qt does not close.
        event->ignore();
        DispatchPanelCallback(panel.callback, handle, EVENT_CLOSE);
        return true;
    }
    return false;
}

// The user interface on Qt Widgets: panels loaded from the Designer XML in
// K964_Vx.uir, controls addressed by their ctrlId property, callbacks bound
// by name, events dispatched one at a time.
#pragma once

#include "platform/backends.h"

#include <QAction>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class QtUi : public QObject, public UiBackend {
  public:
    QtUi() = default;
    ~QtUi() override;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    int loadPanel(int parent, const char* path, int resource) override;
    int getPanelMenuBar(int panel) override;
    int displayPanel(int panel) override;
    int hidePanel(int panel) override;
    int setPanelAttribute(int panel, int attribute, const char* value) override;
    int setCtrlVal(int panel, int control, int value) override;
    int setCtrlVal(int panel, int control, double value) override;
    int setCtrlVal(int panel, int control, const char* value) override;
    int getCtrlInt(int panel, int control, int* value) override;
    int getCtrlReal(int panel, int control, double* value) override;
    int setCtrlAttribute(int panel, int control, int attribute, int value) override;
    int setCtrlAttribute(int panel, int control, int attribute, const char* value) override;
    int getCtrlAttribute(int panel, int control, int attribute, char* value, int size) override;
    int messagePopup(const char* title, const char* message) override;
    int confirmPopup(const char* title, const char* message) override;
    int runUserInterface() override;

    // The widget behind a panel handle, a control and a menu item; nullptr
    // if unknown. For tests and screenshots.
    QWidget* panelWidget(int panel) const;
    QWidget* control(int panel, int control) const;
    QAction* menuItem(int menuBar, int item) const;
    // The resource file a panel was loaded from; "" if unknown.
    QString panelFile(int panel) const;

    // Called with the handle and resource number of each panel loaded, once
    // its controls are bound: what a feature of its own adds to a panel.
    void setPanelLoadedHook(std::function<void(int handle, int resource)> hook);

    // Shows a line of the transmitter, which may hold any byte: Latin-1, with
    // control characters made visible.
    static QString displayText(const char* bytes);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Panel {
        QPointer<QWidget> widget;
        int resource = 0;
        QString file;
        int menuBar = 0; // handle, 0: none
        PanelCallbackPtr callback = nullptr;
        bool floating = false; // a child panel without a reserved area
        std::map<int, QPointer<QWidget>> controls;
        std::map<int, QPointer<QAction>> menuItems; // ids of their own
    };

    const Panel* find(int panel) const;
    QLabel* labelOf(int panel, QWidget* control) const;
    bool bind(int handle, Panel& panel, const char* path);
    void embed(Panel& panel, QWidget* host);

    std::map<int, Panel> panels_;
    std::function<void(int, int)> panelLoaded_;
    int nextHandle_ = 1;
};

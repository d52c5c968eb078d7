#include "platform/memory/memory_ui.h"

#include <cstdio>
#include <cstring>

namespace {

// Menu bar handles live apart from panel handles.
constexpr int kMenuBarBase = 1000;

std::string real_text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

} // namespace

MemoryUi::MemoryUi(const PanelContract* panels, int panelCount, const CtrlContract* controls,
                   int controlCount)
    : panelContracts_(panels), panelCount_(panelCount), ctrlContracts_(controls),
      ctrlCount_(controlCount) {}

MemoryPanel& MemoryUi::panel(int handle) {
    return panels_.at(handle);
}

MemoryCtrl& MemoryUi::ctrl(int panel, int control) {
    MemoryCtrl* c = find(panel, control);
    if (!c)
        std::abort();
    return *c;
}

int MemoryUi::handleOf(int resource) const {
    for (const auto& [handle, p] : panels_) {
        if (p.resource == resource)
            return handle;
    }
    return 0;
}

MemoryCtrl* MemoryUi::find(int panel, int control) {
    auto p = panels_.find(panel);
    if (p == panels_.end())
        return nullptr;
    auto c = p->second.controls.find(control);
    return c == p->second.controls.end() ? nullptr : &c->second;
}

void MemoryUi::record(int panel, int control, const std::string& value) {
    MemoryPanel& p = panels_.at(panel);
    MemoryCtrl& c = p.controls.at(control);
    c.refused = false;
    c.history.push_back(value);
    shown_.push_back(c.name + "=" + value);
    note(shown_.back());
}

void MemoryUi::note(const std::string& what) {
    calls_.push_back({what, stamp_ ? stamp_() : 0});
}

int MemoryUi::loadPanel(int parent, const char* path, int resource) {
    (void)path;
    if (failLoading_)
        return UIE_BAD_RESOURCE;
    if (parent != 0 && !panels_.count(parent))
        return UIE_BAD_HANDLE;
    for (int i = 0; i < panelCount_; ++i) {
        if (panelContracts_[i].resource != resource)
            continue;
        MemoryPanel p;
        p.resource = resource;
        p.parent = parent;
        p.name = panelContracts_[i].name;
        p.callback = panelContracts_[i].callback;
        for (int k = 0; k < ctrlCount_; ++k) {
            const CtrlContract& cc = ctrlContracts_[k];
            if (cc.panel != resource)
                continue;
            MemoryCtrl c;
            c.name = cc.name;
            c.kind = cc.kind;
            c.callback = cc.callback;
            (cc.kind == CtrlKind::MenuItem ? p.menuItems : p.controls)[cc.id] = c;
        }
        int handle = nextHandle_++;
        panels_[handle] = std::move(p);
        return handle;
    }
    return UIE_NO_SUCH_PANEL;
}

int MemoryUi::getPanelMenuBar(int panel) {
    if (!panels_.count(panel))
        return UIE_BAD_HANDLE;
    menuBarOf_ = panel;
    return kMenuBarBase + panel;
}

int MemoryUi::displayPanel(int panel) {
    if (!panels_.count(panel))
        return UIE_BAD_HANDLE;
    panels_[panel].visible = true;
    note("DisplayPanel " + panels_[panel].name);
    return 0;
}

int MemoryUi::hidePanel(int panel) {
    if (!panels_.count(panel))
        return UIE_BAD_HANDLE;
    panels_[panel].visible = false;
    note("HidePanel " + panels_[panel].name);
    return 0;
}

int MemoryUi::setPanelAttribute(int panel, int attribute, const char* value) {
    if (!panels_.count(panel) || attribute != ATTR_TITLE)
        return UIE_BAD_HANDLE;
    panels_[panel].title = value;
    return 0;
}

int MemoryUi::setCtrlVal(int panel, int control, int value) {
    MemoryCtrl* c = find(panel, control);
    if (!c)
        return UIE_BAD_HANDLE;
    if (c->kind == CtrlKind::Real) {
        c->dval = value;
        c->noData = false;
        record(panel, control, real_text(value));
    } else {
        c->ival = value;
        record(panel, control, std::to_string(value));
    }
    return 0;
}

int MemoryUi::setCtrlVal(int panel, int control, double value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || c->kind != CtrlKind::Real)
        return UIE_BAD_HANDLE;
    c->dval = value;
    c->noData = false;
    record(panel, control, real_text(value));
    return 0;
}

int MemoryUi::setCtrlVal(int panel, int control, const char* value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || c->kind != CtrlKind::Text)
        return UIE_BAD_HANDLE;
    c->text = value;
    record(panel, control, value);
    return 0;
}

int MemoryUi::getCtrlInt(int panel, int control, int* value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || c->kind == CtrlKind::Real || c->kind == CtrlKind::Text)
        return UIE_BAD_HANDLE;
    *value = c->ival;
    return 0;
}

int MemoryUi::getCtrlReal(int panel, int control, double* value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || c->kind != CtrlKind::Real)
        return UIE_BAD_HANDLE;
    *value = c->dval;
    return c->refused ? UIE_NOT_A_NUMBER : 0;
}

int MemoryUi::setCtrlAttribute(int panel, int control, int attribute, int value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || c->kind != CtrlKind::Real)
        return UIE_BAD_HANDLE;
    if (attribute == ATTR_FORMAT)
        c->format = value;
    else if (attribute == ATTR_PRECISION)
        c->precision = value;
    else if (attribute == ATTR_NO_DATA)
        c->noData = value != 0;
    else
        return UIE_BAD_HANDLE;
    return 0;
}

int MemoryUi::setCtrlAttribute(int panel, int control, int attribute, const char* value) {
    MemoryCtrl* c = find(panel, control);
    if (!c || (attribute != ATTR_LABEL_TEXT && attribute != ATTR_TOOLTIP_TEXT))
        return UIE_BAD_HANDLE;
    (attribute == ATTR_LABEL_TEXT ? c->label : c->tooltip) = value;
    return 0;
}

int MemoryUi::getCtrlAttribute(int panel, int control, int attribute, char* value, int size) {
    MemoryCtrl* c = find(panel, control);
    if (!c || (attribute != ATTR_LABEL_TEXT && attribute != ATTR_TOOLTIP_TEXT) || size < 1)
        return UIE_BAD_HANDLE;
    std::snprintf(value, static_cast<std::size_t>(size), "%s",
                  (attribute == ATTR_LABEL_TEXT ? c->label : c->tooltip).c_str());
    return 0;
}

int MemoryUi::messagePopup(const char* title, const char* message) {
    popups_.push_back({false, title, message, 0});
    note(std::string("MessagePopup ") + title);
    if (duringPopup_)
        duringPopup_();
    return 0;
}

int MemoryUi::confirmPopup(const char* title, const char* message) {
    int answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    popups_.push_back({true, title, message, answer});
    note(std::string("ConfirmPopup ") + title);
    if (duringPopup_)
        duringPopup_();
    return answer;
}

int MemoryUi::runUserInterface() {
    running_ = true;
    return 0;
}

bool MemoryUi::commit(int panel, int control, int event) {
    MemoryCtrl* c = find(panel, control);
    if (!c || !c->callback)
        return false;
    const CallbackBinding* b = FindCallback(c->callback);
    return b && DispatchCtrlCallback(b->ctrl, panel, control, event);
}

bool MemoryUi::panelEvent(int panel, int event) {
    auto p = panels_.find(panel);
    if (p == panels_.end() || !p->second.callback)
        return false;
    const CallbackBinding* b = FindCallback(p->second.callback);
    return b && DispatchPanelCallback(b->panel, panel, event);
}

bool MemoryUi::close(int panel) {
    return panelEvent(panel, EVENT_CLOSE);
}

bool MemoryUi::selectMenu(int menuBar, int item) {
    int panel = menuBar - kMenuBarBase;
    auto p = panels_.find(panel);
    if (p == panels_.end() || !p->second.menuItems.count(item))
        return false;
    const MemoryCtrl& c = p->second.menuItems.at(item);
    if (!c.callback)
        return false;
    const CallbackBinding* b = FindCallback(c.callback);
    return b && DispatchMenuCallback(b->menu, menuBar, item, panel);
}

bool MemoryUi::tick(int panel, int timer) {
    return commit(panel, timer, EVENT_TIMER_TICK);
}

void MemoryUi::edit(int panel, int control, double value) {
    ctrl(panel, control).dval = value;
    ctrl(panel, control).refused = false;
}

void MemoryUi::edit(int panel, int control, int value) {
    ctrl(panel, control).ival = value;
}

void MemoryUi::refuse(int panel, int control) {
    MemoryCtrl& c = ctrl(panel, control);
    if (c.kind != CtrlKind::Real)
        std::abort();
    c.refused = true;
}

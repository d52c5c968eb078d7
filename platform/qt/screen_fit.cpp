#include "platform/qt/screen_fit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void FitToScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    // The window manager's frame is known once the window is mapped; until
    // then, room for a title bar and a border.
    QSize frame = window->frameGeometry().size() - window->size();
    if (frame.width() <= 0 || frame.height() <= 0)
        frame = QSize(8, 40);
    const QSize most = (room.size() - frame).expandedTo(window->minimumSizeHint());
    const QSize size = window->size().boundedTo(most);
    if (size != window->size())
        window->resize(size);
    const QRect at = window->frameGeometry();
    if (!room.contains(at)) {
        window->move(
            std::clamp(at.left(), room.left(), std::max(room.left(), room.right() - at.width())),
            std::clamp(at.top(), room.top(), std::max(room.top(), room.bottom() - at.height())));
    }
}

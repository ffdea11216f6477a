#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

void CentreOver(QWidget &window, const QWidget &owner)
{
    window.ensurePolished();
    window.adjustSize();
    // The window's frame is not known before the window manager has framed
    // it; the owner's frame is, and a window of the same program gets the
    // same one. Centred and kept on the screen is the whole frame, so that
    // the title bar to move it by is never above the screen's top.
    const QRect inner = owner.geometry();
    const QRect outer = owner.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    QRect placed(QPoint(), window.size().grownBy(frame));
    placed.moveCenter(outer.center());
    if (const QScreen *screen = owner.screen()) {
        const QRect area = screen->availableGeometry();
        placed.moveLeft(std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())));
        placed.moveTop(std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
    }
    // The native window exists already: its geometry is the client area's.
    window.setGeometry(placed.marginsRemoved(frame));
}

} // namespace

void ShowOver(QWidget *window, QWidget *owner)
{
    if (!window)
        return;
    QWidget *top = owner ? owner->window() : nullptr;
    if (top && top != window) {
        // The window manager keeps a transient window above its parent; a
        // window of its own is not a child widget, so it keeps its look.
        top->winId();
        window->winId();
        if (QWindow *own = window->windowHandle(); own && top->windowHandle())
            own->setTransientParent(top->windowHandle());
        if (!window->isVisible())
            CentreOver(*window, *top);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

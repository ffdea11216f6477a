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
    const QRect over = owner.frameGeometry();
    QRect placed(QPoint(), window.frameGeometry().size());
    placed.moveCenter(over.center());
    // A small screen keeps at least the title bar's corner on it.
    if (const QScreen *screen = owner.screen()) {
        const QRect area = screen->availableGeometry();
        placed.moveLeft(std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())));
        placed.moveTop(std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
    }
    window.move(placed.topLeft());
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

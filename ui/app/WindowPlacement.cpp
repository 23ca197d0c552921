#include "WindowPlacement.h"

#include "MainWindow.h"

#include <QScreen>

void CentreOnMainWindow(QWidget *window)
{
    QRect area;
    if (Form1 && Form1 != window)
        area = Form1->frameGeometry();
    else if (const QScreen *screen = window->screen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    const QSize frame = window->frameGeometry().size();
    window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

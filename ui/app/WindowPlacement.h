#pragma once

class QWidget;

// Centres a window on the main window, or on its screen before the main window exists.
void CentreOnMainWindow(QWidget *window);

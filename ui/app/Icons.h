#pragma once

#include <QIcon>
#include <QImage>

// The command images: 0 exit, 1 clear screen, 2 settings, 3 About, 4 private, 5 history.
QIcon CommandIcon(int index);
// The tray icons: 0 the normal icon, 1 the alternate one of the private-message alert.
QIcon TrayIcon(int index);
// The same picture drawn at size × size pixels; icon 0 is also the program's icon.
QImage TrayIconImage(int index, int size);

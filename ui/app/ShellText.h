#pragma once

#include <QString>

// The application title: the executable's file name without its folder and without
// everything from its first "." on, every character after the first in lower case.
QString ApplicationTitleFor(const QString &executablePath);
// The exit question with the time spent in the program.
QString ExitQuestionText(qint32 runSeconds, const QString &applicationTitle);
// Status bar panel 0 and the tray tooltip.
QString UserCountText(int users);
// The error box's text for a settings file (`fileName`) that could not be saved with the
// system's error number `error`: what went wrong, and that the old file is whole.
QString ConfigSaveErrorText(const QString &fileName, int error);

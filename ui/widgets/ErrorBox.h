#pragma once

#include <QString>

// The standard error box: the message with the full stop rule, the application title as
// caption, an error icon and an OK button.
void ShowErrorBox(const QString &message);

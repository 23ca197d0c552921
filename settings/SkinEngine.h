#pragma once

#include <QString>

// Applies the saved style at start-up: builds the style list, selects the saved entry and
// restyles every window.
void RestoreSkin(const QString &savedName);

#pragma once

#include <QString>

class QWidget;

namespace skintest
{

// The folder the tests render their PNG files into, under the build folder; created on use.
QString renderFolder();
// Renders `widget` (shown off screen first) into renderFolder()/<name>.png; returns the path.
QString renderToPng(QWidget *widget, const QString &name);
// The look names to render in: the default look, the four built-in styles.
QStringList builtInLooks();

} // namespace skintest

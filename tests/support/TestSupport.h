#pragma once

#include <QByteArray>
#include <QString>

namespace testsupport {

// Writes bytes to a file, creating folders on the way; fails the test on error.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace testsupport

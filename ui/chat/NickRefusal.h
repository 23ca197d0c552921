#pragma once

#include <QString>

// Why the nick the user typed is refused, in the user's words; empty when it is not.
QString NickRefusalText(const QString &nick);

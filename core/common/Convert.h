#pragma once

#include <QString>

// The ordinary decimal conversion: an optional sign and decimal digits, 32-bit range.
// Anything else throws EConvertError "'<text>' is not a valid integer value".
int strToInt(const QString &text);
// The same test without the error.
bool tryStrToInt(const QString &text, int &value);

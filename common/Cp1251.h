#pragma once

#include <QByteArray>
#include <QString>

// The one boundary between QString and the code page 1251 bytes of the wire and Chat.cfg.
namespace cp1251
{

// Each character becomes one byte; a character the code page cannot hold becomes '?'.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// The text as it reads after a trip through the code page: what is sent, shown and stored.
QString representable(const QString &text);
// Byte order of the encoded texts, unsigned; a prefix comes first. <0, 0 or >0.
int compare(const QString &a, const QString &b);
// Upper case by the code page's letter rules: Latin and Cyrillic letters, ё to Ё.
QString toUpper(const QString &text);

} // namespace cp1251

#pragma once

#include <QString>

class QLabel;
class QWidget;

// A named label whose text is always shown as typed, never read as markup.
QLabel *PlainLabel(const QString &name, const QString &text, QWidget *parent = nullptr);

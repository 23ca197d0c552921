#include "InputFormat.h"

#include "ColorBox.h"

#include <QTextEdit>

void ResetInputFormat(QTextEdit *input, const ColorBox *colorBox)
{
    QTextCharFormat format;
    QFont font(QStringLiteral("Ms Sans Serif"));
    font.setPointSize(8);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    format.setFont(font);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    const QColor color = colorBox->selectedColor();
    if (color.isValid())
        format.setForeground(color);
    input->setCurrentCharFormat(format);
}

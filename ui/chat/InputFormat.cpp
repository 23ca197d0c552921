#include "InputFormat.h"

#include "ColorBox.h"

#include <QTextDocument>
#include <QTextEdit>

QString InputText(const QTextEdit *input)
{
    QString text = input->document()->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // the start and end of a frame
        case 0xFDD1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

void ResetInputFormat(QTextEdit *input, const QColor &color)
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
    if (color.isValid())
        format.setForeground(color);
    input->setCurrentCharFormat(format);
}

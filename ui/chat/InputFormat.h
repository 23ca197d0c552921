#pragma once

#include <QString>

class QColor;
class QTextEdit;

// The text a message input box holds, exactly: non-breaking spaces stay as they are (the
// box's plain-text export would turn them into blanks); paragraph and line separators
// become LF.
QString InputText(const QTextEdit *input);

// Resets the typing format of a message input box: the user's colour (none when invalid),
// "Ms Sans Serif" at 8 points, fixed pitch, no bold, italic, underline or strike-out.
void ResetInputFormat(QTextEdit *input, const QColor &color);

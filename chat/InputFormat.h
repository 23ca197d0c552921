#pragma once

class ColorBox;
class QTextEdit;

// Resets the typing format of a message input box: the colour box's colour, "Ms Sans Serif"
// at 8 points, fixed pitch, no bold, italic, underline or strike-out.
void ResetInputFormat(QTextEdit *input, const ColorBox *colorBox);

#include "AboutWindow.h"

TForm3 *Form3 = nullptr;

TForm3::TForm3(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("О программе..."));
    setFixedSize(314, 246);
}

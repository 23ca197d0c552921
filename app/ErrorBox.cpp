#include "ErrorBox.h"

#include "Dialogs.h"
#include "ShellText.h"

#include <QApplication>

void ShowErrorBox(const QString &message)
{
    Dialogs::error(QApplication::activeWindow(), QApplication::applicationName(),
                   ErrorBoxText(message));
}

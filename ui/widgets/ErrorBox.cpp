#include "ErrorBox.h"

#include "AppError.h"
#include "Dialogs.h"

#include <QApplication>

void ShowErrorBox(const QString &message)
{
    Dialogs::error(QApplication::activeWindow(), QApplication::applicationName(),
                   ErrorBoxText(message));
}

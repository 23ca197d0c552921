#include "AppWindows.h"
#include "Application.h"
#include "Dialogs.h"
#include "ExitRequests.h"
#include "MainWindow.h"
#include "SingleInstance.h"

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    SingleInstance instance;
    if (!instance.Acquire()) {
        Dialogs::information(
            nullptr, QCoreApplication::translate("main", "Предупреждение!"),
            QCoreApplication::translate("main", "Приложение Palavrix уже запущено..."));
        return 0;
    }
    AppWindows windows;
    // A termination signal and the desktop's log-off end the chat as the exit command
    // does, without its question.
    ExitRequests exitRequests;
    QObject::connect(&exitRequests, &ExitRequests::exitRequested, Form1, &TForm1::EndSession);
    Form1->show();
    return app.exec();
}

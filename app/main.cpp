#include "AppWindows.h"
#include "Application.h"
#include "Dialogs.h"
#include "MainWindow.h"
#include "SingleInstance.h"

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    SingleInstance instance;
    if (!instance.Acquire()) {
        Dialogs::information(nullptr, QStringLiteral("Предупреждение!"),
                             QStringLiteral("Приложение Palavrix уже запущено..."));
        return 0;
    }
    AppWindows windows;
    Form1->show();
    return app.exec();
}

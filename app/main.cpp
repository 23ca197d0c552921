#include "AboutWindow.h"
#include "Application.h"
#include "Dialogs.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "SingleInstance.h"

#include <memory>

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    SingleInstance instance;
    if (!instance.Acquire()) {
        Dialogs::information(nullptr, QStringLiteral("Предупреждение!"),
                             QStringLiteral("Приложение Palavrix уже запущено..."));
        return 0;
    }

    // The windows live from here to the end, created in this order, all hidden.
    auto form1 = std::make_unique<TForm1>();
    Form1 = form1.get();
    auto form2 = std::make_unique<TForm2>();
    Form2 = form2.get();
    auto form3 = std::make_unique<TForm3>();
    Form3 = form3.get();
    auto form4 = std::make_unique<TForm4>();
    Form4 = form4.get();
    auto hform = std::make_unique<THForm>();
    HForm = hform.get();
    auto form5 = std::make_unique<TForm5>();
    Form5 = form5.get();
    auto form6 = std::make_unique<TForm6>();
    Form6 = form6.get();

    Form1->show();
    const int code = app.exec();
    Form1->CloseListeners();
    return code;
}

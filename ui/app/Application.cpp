#include "Application.h"

#include "AppError.h"
#include "ErrorBox.h"
#include "ShellText.h"
#include "UiLanguage.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(ApplicationTitleFor(applicationFilePath()));
    setQuitOnLastWindowClosed(false);
    // Lets a Wayland desktop match the windows to the installed desktop entry.
    setDesktopFileName(QStringLiteral("io.sourceforge.palavrix"));
    uilanguage::Install(*this, uilanguage::Language());
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    } catch (const std::exception &error) {
        ShowErrorBox(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

// The main window's start-up sequence and exit path.
#include "MainWindow.h"

#include "AppError.h"
#include "AppPaths.h"
#include "ChatServices.h"
#include "ConfigBindings.h"
#include "DesktopNotifier.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "NickPrompt.h"
#include "ShellText.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QTextEdit>

#include <cstdio>

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if ((FirstShow || Session->OwnNick().isEmpty()) && !m_startupQueued) {
        // Runs once the window is on screen, so the nick prompt opens over it.
        m_startupQueued = true;
        QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
        return;
    }
    if (!m_startupQueued)
        RichEdit4->setFocus();
}

void TForm1::FormShow()
{
    try {
        RunStartupSequence();
    } catch (const AppError &error) {
        m_startupQueued = false;
        ShowErrorBox(error.message());
    }
}

void TForm1::RunStartupSequence()
{
    // Stage A: fast entry and skin.
    FirstShow = false;
    ApplyConfigLines(Config, true);
    ApplyOptions(Options);
    m_optionsApplied = true;

    // Stage B: log-in and going online.
    const OptionValues &options = m_services.Options().Values();
    const QString nick = ObtainNick(options.AutoLogon, options.SavedNick);
    Session->setOwnNick(nick);
    if (nick.isEmpty()) {
        N2Click();
        m_services.History().OpenHistory(QString());
        m_startupQueued = false;
        return;
    }
    CTI->setEnabled(true);
    m_services.Join(nick);
    ApplyConfigLines(Config, false);
    m_settingsApplied = true;
    const StartReport report = m_services.Start(nick);
    if (report.OfflineError)
        Dialogs::warning(this, tr("Ошибка"),
                         tr("Сеть не настроена. Корректная работа приложения невозможна!"));
    if (m_services.Options().Values().StartMinimized)
        MinimizeOnceExposed();

    // Stage C.
    m_startupQueued = false;
    RichEdit4->setFocus();
}

// Exit path.

bool TForm1::FormCloseQuery()
{
    if (Session->OwnNick().isEmpty())
        return true;
    QWidget *parent = isVisible() ? this : nullptr;
    const QString text = ExitQuestionText(RunSeconds, QApplication::applicationName());
    if (!m_endingSession &&
        Dialogs::question(parent, QStringLiteral("Palavrix"), text) != Dialogs::Answer::Ok)
        return false;
    m_services.Leave();
    return true;
}

void TForm1::EndSession()
{
    if (m_endingSession || m_closing)
        return;
    m_endingSession = true;
    N2Click();
}

void TForm1::CloseListeners()
{
    m_services.CloseListeners();
}

void TForm1::FormClose()
{
    RebuildConfig();
    try {
        Config.Save(apppaths::ConfigFile());
    } catch (const EConfigSaveError &error) {
        ReportExitError(ConfigSaveErrorText(error.fileName(), error.error()));
    } catch (const AppError &error) {
        ReportExitError(error.message());
    }
    SaveOptions();
}

void TForm1::SaveOptions()
{
    // A file that could not be read is not replaced by the defaults, nor one whose options
    // never reached their controls rewritten.
    if (!m_optionsRead || !m_optionsApplied)
        return;
    TakeOptions(Options);
    try {
        Options.Save(apppaths::OptionsFile());
    } catch (const EConfigSaveError &error) {
        ReportExitError(ConfigSaveErrorText(error.fileName(), error.error()));
    } catch (const AppError &error) {
        ReportExitError(error.message());
    }
}

// An exit asked from outside (a signal, the log-off) has nobody to click a box: the error goes
// to standard error and, where the desktop has one, to a notification, and the exit goes on.
void TForm1::ReportExitError(const QString &text)
{
    if (!m_endingSession) {
        ShowErrorBox(text);
        return;
    }
    std::fprintf(stderr, "palavrix: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    DesktopNotifier notifier;
    notifier.ShowBeforeExit(QApplication::applicationName(), text);
}

void TForm1::RebuildConfig()
{
    RebuildConfigLines(Config, m_settingsApplied);
}

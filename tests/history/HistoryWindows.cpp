#include "HistoryWindows.h"

#include "AppPaths.h"
#include "ChatServices.h"
#include "ConfigBindings.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"

#include <QDir>

namespace historytest
{

HistoryWindows::HistoryWindows() : m_savedCwd(QDir::currentPath())
{
    QDir::setCurrent(m_folder.path());
    apppaths::SetProgramFolder(m_folder.path());
    m_services = std::make_unique<ChatServices>();
    m_settings = std::make_unique<TForm2>(*m_services);
    Form2 = m_settings.get();
    m_form = std::make_unique<THForm>(m_services->History(), m_services->Options());
    WatchSettings(m_services->Options());
    HForm = m_form.get();
    m_search = std::make_unique<TForm5>(m_services->History());
    Form5 = m_search.get();
    m_viewer = std::make_unique<TForm6>(m_services->History());
    Form6 = m_viewer.get();
    m_form->Store->setProgramDir(m_folder.path());
    m_form->OpenHistory(QStringLiteral("Me"));
}

HistoryWindows::~HistoryWindows()
{
    Form6 = nullptr;
    m_viewer.reset();
    Form5 = nullptr;
    m_search.reset();
    HForm = nullptr;
    m_form.reset();
    Form2 = nullptr;
    m_settings.reset();
    m_services.reset();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_savedCwd);
}

} // namespace historytest

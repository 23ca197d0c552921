#include "AppWindows.h"

#include "AboutWindow.h"
#include "AppPaths.h"
#include "ConfigBindings.h"
#include "DesktopAlerts.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"

#include <QDir>

namespace
{
template <typename Form, typename... Args>
std::unique_ptr<Form> create(Form *&global, Args &&...args)
{
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    global = form.get();
    return form;
}

template <typename Form> void destroy(std::unique_ptr<Form> &form, Form *&global)
{
    form.reset();
    global = nullptr;
}

} // namespace

AppWindows::AppWindows()
    : m_form1(create(Form1, m_services)), m_form2(create(Form2, m_services)),
      m_form3(create(Form3)), m_form4(create(Form4, m_services)),
      m_hform(create(HForm, m_services.History(), m_services.Options())),
      m_form5(create(Form5, m_services.History())), m_form6(create(Form6, m_services.History()))
{
    ServicesSetup setup;
    setup.PartialJournal = QDir(apppaths::DataFolder()).filePath(QStringLiteral("Partials.lst"));
    m_services.setSetup(setup);
    WatchSettings(m_services.Options());
    m_alerts = std::make_unique<DesktopAlerts>(&m_services.Session(), Form4);
}

AppWindows::~AppWindows()
{
    m_services.CloseListeners();
    m_alerts.reset();
    destroy(m_form6, Form6);
    destroy(m_form5, Form5);
    destroy(m_hform, HForm);
    destroy(m_form4, Form4);
    destroy(m_form3, Form3);
    destroy(m_form2, Form2);
    destroy(m_form1, Form1);
}

#include "AppWindows.h"

#include "AboutWindow.h"
#include "ChatSession.h"
#include "DesktopAlerts.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"

namespace
{
template <typename Form> std::unique_ptr<Form> create(Form *&global)
{
    auto form = std::make_unique<Form>();
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
    : m_form1(create(Form1)), m_form2(create(Form2)), m_form3(create(Form3)),
      m_form4(create(Form4)), m_hform(create(HForm)), m_form5(create(Form5)), m_form6(create(Form6))
{
    // Private messages are recorded in the store the history window shows.
    Form1->Session->setHistoryStore(HForm->Store);
    // The store opens at its first use: a failure then is said as one at start-up is.
    ChatSession *session = Form1->Session;
    QObject::connect(HForm->Store, &HistoryStore::openFailed, session,
                     [session](const QString &message) {
                         session->ReportHistoryFailure({HistoryFault::Other, message});
                     });
    m_alerts = std::make_unique<DesktopAlerts>(Form1->Session, Form4);
    Form4->setFileService(Form1->Files);
}

AppWindows::~AppWindows()
{
    m_form1->CloseListeners();
    m_alerts.reset();
    m_form1->Session->setHistoryStore(nullptr);
    destroy(m_form6, Form6);
    destroy(m_form5, Form5);
    destroy(m_hform, HForm);
    destroy(m_form4, Form4);
    destroy(m_form3, Form3);
    destroy(m_form2, Form2);
    destroy(m_form1, Form1);
}

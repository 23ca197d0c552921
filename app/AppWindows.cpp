#include "AppWindows.h"

#include "AboutWindow.h"
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
} // namespace

AppWindows::AppWindows()
    : m_form1(create(Form1)), m_form2(create(Form2)), m_form3(create(Form3)),
      m_form4(create(Form4)), m_hform(create(HForm)), m_form5(create(Form5)), m_form6(create(Form6))
{
}

AppWindows::~AppWindows()
{
    m_form1->CloseListeners();
    m_form6.reset();
    Form6 = nullptr;
    m_form5.reset();
    Form5 = nullptr;
    m_hform.reset();
    HForm = nullptr;
    m_form4.reset();
    Form4 = nullptr;
    m_form3.reset();
    Form3 = nullptr;
    m_form2.reset();
    Form2 = nullptr;
    m_form1.reset();
    Form1 = nullptr;
}

#pragma once

#include "ChatServices.h"

#include <memory>

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class THForm;
class TForm5;
class TForm6;
class DesktopAlerts;

// The chat's services and the seven windows of a run that show them: the services first,
// then the windows, created hidden in their order, each given the services it needs and
// reachable through its global instance for what the windows show of each other; destroyed in
// reverse order. The desktop notifications live as long as the windows they bring up.
class AppWindows final
{
public:
    AppWindows();
    ~AppWindows();
    AppWindows(const AppWindows &) = delete;
    AppWindows &operator=(const AppWindows &) = delete;

    ChatServices &Services() { return m_services; }
    DesktopAlerts &Alerts() { return *m_alerts; }

private:
    ChatServices m_services;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm3> m_form3;
    std::unique_ptr<TForm4> m_form4;
    std::unique_ptr<THForm> m_hform;
    std::unique_ptr<TForm5> m_form5;
    std::unique_ptr<TForm6> m_form6;
    std::unique_ptr<DesktopAlerts> m_alerts;
};

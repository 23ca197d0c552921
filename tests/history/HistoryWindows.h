#pragma once

#include "HistoryFixture.h"

#include <memory>

class ChatServices;
class THForm;
class TForm2;
class TForm5;
class TForm6;

namespace historytest
{

// The history windows as the program creates them (with the settings window and the services),
// their globals set, working in a temporary program folder that is also the working folder. The
// store of the nick "Me" is open. Everything is undone when the object goes.
class HistoryWindows
{
public:
    HistoryWindows();
    ~HistoryWindows();
    HistoryWindows(const HistoryWindows &) = delete;
    HistoryWindows &operator=(const HistoryWindows &) = delete;

    ProgramFolder &folder() { return m_folder; }
    THForm *form() const { return m_form.get(); }

private:
    QString m_savedCwd;
    ProgramFolder m_folder;
    std::unique_ptr<ChatServices> m_services;
    std::unique_ptr<TForm2> m_settings;
    std::unique_ptr<THForm> m_form;
    std::unique_ptr<TForm5> m_search;
    std::unique_ptr<TForm6> m_viewer;
};

} // namespace historytest

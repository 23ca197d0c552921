#include "NickPrompt.h"

#include "Dialogs.h"
#include "NickRefusal.h"

#include <QCoreApplication>

namespace
{

QString PromptCaption()
{
    return QCoreApplication::translate("NickPrompt", "Вход в чат");
}

} // namespace

QString ObtainNick(bool fastEntry, const QString &savedNick)
{
    QString nick;
    QString refusal;
    if (fastEntry) {
        refusal = NickRefusalText(savedNick);
        if (refusal.isEmpty())
            return savedNick;
        nick = savedNick;
    }
    for (;;) {
        if (!refusal.isEmpty())
            Dialogs::warning(nullptr, PromptCaption(), refusal);
        // The prompt opens with the refused nick, so the user can mend it.
        Dialogs::inputText(
            nullptr, PromptCaption(),
            QCoreApplication::translate("NickPrompt", "Введите Ник для входа в чат:"), nick);
        refusal = NickRefusalText(nick);
        if (refusal.isEmpty())
            return nick;
    }
}

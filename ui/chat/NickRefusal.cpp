#include "NickRefusal.h"

#include "NickRules.h"

#include <QCoreApplication>

QString NickRefusalText(const QString &nick)
{
    switch (CheckNick(nick)) {
    case NickFault::None:
        break;
    case NickFault::BreaksMessages:
        return QCoreApplication::translate(
            "NickRules", "Такой ник другие участники чата прочтут неверно. Ник не может "
                         "содержать сочетания \" - \", \": \", \" -->\" и переводы строки, "
                         "а также кончаться на \":\" или \" -\".");
    case NickFault::NotInCodePage:
        return QCoreApplication::translate("NickRules",
                                           "В нике есть знаки, которые чат не может передать: ") +
               UnsendableNickChars(nick) +
               QCoreApplication::translate(
                   "NickRules", ". Используйте русские и латинские буквы, цифры и обычные знаки.");
    case NickFault::TooLong:
        return QCoreApplication::translate(
                   "NickRules", "Ник слишком длинный: в таком нике может быть не больше %1 знаков.")
            .arg(LongestFittingNick(nick));
    }
    return {};
}

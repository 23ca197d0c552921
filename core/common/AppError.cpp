#include "AppError.h"

AppError::AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

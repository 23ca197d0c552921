#include "ChatOptions.h"

namespace
{

template <typename T> bool assign(OptionValues &values, T OptionValues::*field, const T &value)
{
    if (values.*field == value)
        return false;
    values.*field = value;
    return true;
}

} // namespace

ChatOptions::ChatOptions(QObject *parent) : QObject(parent) {}

void ChatOptions::Set(bool OptionValues::*field, bool value)
{
    if (assign(m_values, field, value))
        Q_EMIT changed();
}

void ChatOptions::Set(int OptionValues::*field, int value)
{
    if (assign(m_values, field, value))
        Q_EMIT changed();
}

void ChatOptions::Set(QString OptionValues::*field, const QString &value)
{
    if (assign(m_values, field, value))
        Q_EMIT changed();
}

void ChatOptions::SetAll(const OptionValues &values)
{
    m_values = values;
    Q_EMIT changed();
}

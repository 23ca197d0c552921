#pragma once

#include <QString>

#include <exception>

// Base of every failure the program raises: carries the message the user sees.
class AppError : public std::exception
{
public:
    explicit AppError(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The text the error box shows: the message with a full stop appended when its last
// character has a code above that of ".".
QString ErrorBoxText(const QString &message);

// A text that is not a decimal integer.
class EConvertError final : public AppError
{
public:
    using AppError::AppError;
};

// A file that cannot be opened, read or written.
class EInOutError final : public AppError
{
public:
    using AppError::AppError;
};

#pragma once

#include "AppError.h"

// Base of the errors raised by the UDP endpoints.
class EIdException : public AppError
{
public:
    using AppError::AppError;
};

// A failing socket call: "Socket Error # <number>", CR LF, and the number's text.
// Numbers follow the Windows socket numbering whatever the platform.
class EIdSocketError final : public EIdException
{
public:
    explicit EIdSocketError(int code);
    int LastError() const;

private:
    int m_code;
};

class EIdCouldNotBindSocket final : public EIdException
{
public:
    EIdCouldNotBindSocket();
};

class EIdInvalidSocket final : public EIdException
{
public:
    EIdInvalidSocket();
};

class EIdPackageSizeTooBig final : public EIdException
{
public:
    EIdPackageSizeTooBig();
};

class EIdNotAllBytesSent final : public EIdException
{
public:
    EIdNotAllBytesSent();
};

class EIdStackSetSizeExceeded final : public EIdException
{
public:
    EIdStackSetSizeExceeded();
};

class EIdStackInitializationFailed final : public EIdException
{
public:
    EIdStackInitializationFailed();
};

namespace socketerrors
{

inline constexpr int HostNotFound = 11001;

// The text shown for an error number; empty for a number without one.
QString Text(int code);
#ifndef _WIN32
// The Windows socket number of a POSIX errno value of the same meaning; a value without
// a counterpart is returned unchanged.
int FromErrno(int posixErrno);
#endif

} // namespace socketerrors

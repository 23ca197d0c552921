#include "UdpErrors.h"

#include <cerrno>

namespace socketerrors
{
namespace
{

struct ErrorRow {
    int code;
#ifndef _WIN32
    int posixErrno;
#endif
    const char *text;
};

#ifdef _WIN32
#define PX_ROW(code, posix, text)                                                                  \
    {                                                                                              \
        code, text                                                                                 \
    }
#else
#define PX_ROW(code, posix, text)                                                                  \
    {                                                                                              \
        code, posix, text                                                                          \
    }
#endif

const ErrorRow Rows[] = {
    PX_ROW(10004, EINTR, "Interrupted system call."),
    PX_ROW(10009, EBADF, "Bad file number."),
    PX_ROW(10013, EACCES, "Access denied."),
    PX_ROW(10014, EFAULT, "Bad address."),
    PX_ROW(10022, EINVAL, "Invalid argument."),
    PX_ROW(10024, EMFILE, "Too many open files."),
    PX_ROW(10035, EWOULDBLOCK, "Operation would block. "),
    PX_ROW(10036, EINPROGRESS, "Operation now in progress."),
    PX_ROW(10037, EALREADY, "Operation already in progress."),
    PX_ROW(10038, ENOTSOCK, "Socket operation on non-socket."),
    PX_ROW(10039, EDESTADDRREQ, "Destination address required."),
    PX_ROW(10040, EMSGSIZE, "Message too long."),
    PX_ROW(10041, EPROTOTYPE, "Protocol wrong type for socket."),
    PX_ROW(10042, ENOPROTOOPT, "Bad protocol option."),
    PX_ROW(10043, EPROTONOSUPPORT, "Protocol not supported."),
    PX_ROW(10044, ESOCKTNOSUPPORT, "Socket type not supported."),
    PX_ROW(10045, EOPNOTSUPP, "Operation not supported on socket."),
    PX_ROW(10046, EPFNOSUPPORT, "Protocol family not supported."),
    PX_ROW(10047, EAFNOSUPPORT, "Address family not supported by protocol family."),
    PX_ROW(10048, EADDRINUSE, "Address already in use."),
    PX_ROW(10049, EADDRNOTAVAIL, "Cannot assign requested address."),
    PX_ROW(10050, ENETDOWN, "Network is down."),
    PX_ROW(10051, ENETUNREACH, "Network is unreachable."),
    PX_ROW(10052, ENETRESET, "Net dropped connection or reset."),
    PX_ROW(10053, ECONNABORTED, "Software caused connection abort."),
    PX_ROW(10054, ECONNRESET, "Connection reset by peer."),
    PX_ROW(10055, ENOBUFS, "No buffer space available."),
    PX_ROW(10056, EISCONN, "Socket is already connected."),
    PX_ROW(10057, ENOTCONN, "Socket is not connected."),
    PX_ROW(10058, ESHUTDOWN, "Cannot send or receive after socket is closed."),
    PX_ROW(10059, ETOOMANYREFS, "Too many references, cannot splice."),
    PX_ROW(10060, ETIMEDOUT, "Connection timed out."),
    PX_ROW(10061, ECONNREFUSED, "Connection refused."),
    PX_ROW(10062, ELOOP, "Too many levels of symbolic links."),
    PX_ROW(10063, ENAMETOOLONG, "File name too long."),
    PX_ROW(10064, EHOSTDOWN, "Host is down."),
    PX_ROW(10065, EHOSTUNREACH, "No route to host."),
    PX_ROW(10066, ENOTEMPTY, "Directory not empty"),
    PX_ROW(HostNotFound, 0, "Host not found."),
};

#undef PX_ROW

} // namespace

QString Text(int code)
{
    for (const ErrorRow &row : Rows) {
        if (row.code == code)
            return QString::fromLatin1(row.text);
    }
    return {};
}

#ifndef _WIN32
int FromErrno(int posixErrno)
{
    // A send on a socket whose sending side is shut down: Winsock reports it as ESHUTDOWN.
    if (posixErrno == EPIPE)
        return 10058;
    for (const ErrorRow &row : Rows) {
        if (row.posixErrno != 0 && row.posixErrno == posixErrno)
            return row.code;
    }
    return posixErrno;
}
#endif

} // namespace socketerrors

EIdSocketError::EIdSocketError(int code)
    : EIdException(
          QStringLiteral("Socket Error # %1\r\n%2").arg(code).arg(socketerrors::Text(code))),
      m_code(code)
{
}

int EIdSocketError::LastError() const
{
    return m_code;
}

EIdCouldNotBindSocket::EIdCouldNotBindSocket()
    : EIdException(QStringLiteral("Could not bind socket. Address and port are already in use."))
{
}

EIdInvalidSocket::EIdInvalidSocket() : EIdException(QStringLiteral("Cannot allocate socket.")) {}

EIdPackageSizeTooBig::EIdPackageSizeTooBig() : EIdException(QStringLiteral("Package Size Too Big."))
{
}

EIdNotAllBytesSent::EIdNotAllBytesSent() : EIdException(QStringLiteral("Not all bytes sent.")) {}

EIdStackSetSizeExceeded::EIdStackSetSizeExceeded()
    : EIdException(QStringLiteral("Set Size Exceeded."))
{
}

EIdStackInitializationFailed::EIdStackInitializationFailed()
    : EIdException(QStringLiteral("Winsock Initialization Error."))
{
}

#include "Sha256.h"

#include "LibraryFunctions.h"
#include "TransferErrors.h"

#include <QLibrary>

#include <openssl/evp.h>

#include <new>

namespace transfer
{
namespace
{

// OpenSSL's digest functions, taken from the library when the first transfer starts rather
// than at start-up: most runs send no file, and the library is large to load and relocate.
struct Crypto {
    decltype(&EVP_MD_CTX_new) ctxNew = nullptr;
    decltype(&EVP_MD_CTX_free) ctxFree = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;
    QString error;

    Crypto()
    {
        QLibrary library(QStringLiteral("crypto"), 3);
        const auto take = [&library](auto &function, const char *name) {
            return TakeFunction(library, function, name);
        };
        if (!(take(ctxNew, "EVP_MD_CTX_new") && take(ctxFree, "EVP_MD_CTX_free") &&
              take(sha256, "EVP_sha256") && take(init, "EVP_DigestInit_ex") &&
              take(update, "EVP_DigestUpdate") && take(final, "EVP_DigestFinal_ex")))
            error = library.errorString();
    }
};

const Crypto &crypto()
{
    static const Crypto c;
    if (!c.error.isEmpty())
        throw ETransferError(TransferFault::NoChecksum, {}, c.error);
    return c;
}

} // namespace

Sha256::Sha256() : m_context(crypto().ctxNew())
{
    if (m_context == nullptr || crypto().init(m_context, crypto().sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256()
{
    crypto().ctxFree(m_context);
}

void Sha256::addData(const char *data, qsizetype size)
{
    crypto().update(m_context, data, size_t(size));
}

QByteArray Sha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    crypto().final(m_context, reinterpret_cast<unsigned char *>(digest.data()), &length);
    digest.truncate(int(length));
    crypto().init(m_context, crypto().sha256(), nullptr);
    return digest;
}

} // namespace transfer

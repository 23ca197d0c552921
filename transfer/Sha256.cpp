#include "Sha256.h"

#include <openssl/evp.h>

#include <new>

namespace transfer
{

Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    if (m_context == nullptr || EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256::addData(const char *data, qsizetype size)
{
    EVP_DigestUpdate(m_context, data, size_t(size));
}

QByteArray Sha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, reinterpret_cast<unsigned char *>(digest.data()), &length);
    digest.truncate(int(length));
    EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr);
    return digest;
}

} // namespace transfer

#pragma once

#include <QByteArray>

#include <memory>

struct evp_md_ctx_st;

namespace transfer
{

// SHA-256 over data given in pieces. OpenSSL's, which uses the processor's SHA instructions:
// the transfer hashes every byte on both sides and must keep up with the network.
class Sha256 final
{
    Q_DISABLE_COPY_MOVE(Sha256)
public:
    Sha256();
    ~Sha256();
    void addData(const char *data, qsizetype size);
    // The 32-byte digest; the object starts afresh afterwards.
    QByteArray result();

private:
    evp_md_ctx_st *m_context;
};

} // namespace transfer

// The physical limit the file transfer is measured against: the same bytes over the same link
// with nothing but read, send, receive and write, in pieces of the same size. With --sha256 each
// side also runs every byte through OpenSSL's SHA-256, as the transfer must: the least work any
// checked copy does, so the gap between the two is what checking costs on this machine.
//   plain_socket_copy [--sha256] receive PORT OUTFILE
//   plain_socket_copy [--sha256] send ADDRESS PORT INFILE

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr size_t Piece = 256 * 1024;
EVP_MD_CTX *hash = nullptr; // set with --sha256

int Fail(const char *what)
{
    std::perror(what);
    return 1;
}

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

int Pump(int from, int to)
{
    std::vector<char> buffer(Piece);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n == 0)
            return 0;
        if (hash != nullptr && n > 0)
            EVP_DigestUpdate(hash, buffer.data(), size_t(n));
        if (n < 0 || !WriteAll(to, buffer.data(), size_t(n)))
            return Fail("copy");
    }
}

int Receive(int port, const char *path)
{
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    if (::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(server, 1) != 0)
        return Fail("listen");
    std::printf("ready\n");
    std::fflush(stdout);
    const int peer = ::accept(server, nullptr, nullptr);
    const int out = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (peer < 0 || out < 0)
        return Fail("accept/open");
    const int result = Pump(peer, out);
    ::close(out);
    ::close(peer);
    ::close(server);
    return result;
}

int Send(const char *host, int port, const char *path)
{
    const int in = ::open(path, O_RDONLY);
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    if (in < 0 || ::inet_pton(AF_INET, host, &address.sin_addr) != 1 ||
        ::connect(peer, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return Fail("connect/open");
    const int result = Pump(in, peer);
    ::close(peer);
    ::close(in);
    return result;
}

} // namespace

// The peak resident memory of this program alone (VmHWM: the fork before exec is not in it).
void SayPeak()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            std::printf("peak %ld\n", std::atol(line + 6));
    }
    if (status != nullptr)
        std::fclose(status);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--sha256") == 0) {
        hash = EVP_MD_CTX_new();
        EVP_DigestInit_ex(hash, EVP_sha256(), nullptr);
        --argc;
        ++argv;
    }
    int result = 2;
    if (argc == 4 && std::strcmp(argv[1], "receive") == 0)
        result = Receive(std::atoi(argv[2]), argv[3]);
    else if (argc == 5 && std::strcmp(argv[1], "send") == 0)
        result = Send(argv[2], std::atoi(argv[3]), argv[4]);
    if (result != 2) {
        if (hash != nullptr) {
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int length = 0;
            EVP_DigestFinal_ex(hash, digest, &length);
            EVP_MD_CTX_free(hash);
        }
        SayPeak();
        return result;
    }
    std::fprintf(stderr,
                 "usage: plain_socket_copy [--sha256] receive PORT OUTFILE | send ADDRESS PORT "
                 "INFILE\n");
    return 2;
}

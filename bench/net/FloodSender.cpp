// A paced peer for the receive-path benchmark: sends public chat datagrams to one address
// at a fixed rate for a while, from one socket, and counts the empty replies that come back
// (the chat answers every line it shows with one). Prints one line of JSON:
//   {"sent": N, "replies_in_window": N, "replies": N, "seconds": S, "first_late_reply_s": S}
// replies_in_window counts what came back while sending; replies also what came back
// until the peer went quiet (up to drain seconds after the last send).
//   net_flood <address> <port> <datagrams per second> <seconds> [drain seconds]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

// Pacing works in ticks of 1 ms: each tick sends its share of the rate.
constexpr auto Tick = std::chrono::milliseconds(1);
constexpr int QuietMs = 1000; // no reply for this long ends the wait for stragglers

struct Counts {
    std::atomic<long> replies{0};
    std::atomic<bool> stop{false};
};

void countReplies(int socket, Counts &counts)
{
    char buffer[65536];
    pollfd fd{socket, POLLIN, 0};
    while (!counts.stop.load()) {
        if (poll(&fd, 1, 50) <= 0)
            continue;
        while (recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) >= 0)
            counts.replies.fetch_add(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s address port rate seconds [drain seconds]\n", argv[0]);
        return 2;
    }
    const long rate = std::atol(argv[3]);
    const double seconds = std::atof(argv[4]);
    const double drainSeconds = argc > 5 ? std::atof(argv[5]) : 15.0;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(std::uint16_t(std::atoi(argv[2])));
    if (rate <= 0 || seconds <= 0 || inet_pton(AF_INET, argv[1], &to.sin_addr) != 1) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    const int queue = 8 * 1024 * 1024;
    setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &queue, sizeof queue);
    setsockopt(s, SOL_SOCKET, SO_SNDBUFFORCE, &queue, sizeof queue);

    Counts counts;
    std::thread reader(countReplies, s, std::ref(counts));

    const long total = long(double(rate) * seconds);
    const auto start = Clock::now();
    long sent = 0;
    long failed = 0;
    for (long tick = 1; sent < total; ++tick) {
        const long due = std::min(total, rate * tick / 1000);
        for (; sent < due; ++sent) {
            const std::string text = "@#@0@#@Flood -->line " + std::to_string(sent);
            if (sendto(s, text.data(), text.size(), 0, reinterpret_cast<const sockaddr *>(&to),
                       sizeof to) < 0)
                ++failed;
        }
        std::this_thread::sleep_until(start + tick * Tick);
    }
    const double sending = std::chrono::duration<double>(Clock::now() - start).count();
    const long inWindow = counts.replies.load();

    // Stragglers: what the peer had queued still comes back after the last send.
    const auto end = Clock::now();
    auto lastChange = end;
    long last = inWindow;
    while (std::chrono::duration<double>(Clock::now() - end).count() < drainSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const long now = counts.replies.load();
        if (now != last) {
            last = now;
            lastChange = Clock::now();
        } else if (Clock::now() - lastChange > std::chrono::milliseconds(QuietMs)) {
            break;
        }
    }
    counts.stop.store(true);
    reader.join();
    close(s);
    std::printf("{\"sent\": %ld, \"send_failures\": %ld, \"replies_in_window\": %ld, "
                "\"replies\": %ld, \"seconds\": %.3f, \"drained_s\": %.3f}\n",
                sent, failed, inWindow, counts.replies.load(), sending,
                std::chrono::duration<double>(lastChange - end).count());
    return 0;
}

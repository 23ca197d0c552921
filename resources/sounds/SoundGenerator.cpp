// Writes the program's two notification sounds as 16-bit mono wave files:
//   SoundGenerator <public.wav> <private.wav>
// A public message gets a soft two-note chime, a private one a brighter three-note rise.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double Pi = 3.14159265358979323846;

struct Note {
    double frequency;
    double start;    // seconds
    double duration; // seconds
};

std::vector<int16_t> render(const std::vector<Note> &notes, double length)
{
    std::vector<double> mix(size_t(length * SampleRate), 0.0);
    for (const Note &n : notes) {
        const size_t first = size_t(n.start * SampleRate);
        const size_t count = size_t(n.duration * SampleRate);
        for (size_t i = 0; i < count && first + i < mix.size(); ++i) {
            const double t = double(i) / SampleRate;
            const double attack = std::min(1.0, t / 0.008);
            const double decay = std::exp(-t * 6.0);
            const double tone = std::sin(2 * Pi * n.frequency * t) +
                                0.25 * std::sin(2 * Pi * 2 * n.frequency * t);
            mix[first + i] += 0.33 * attack * decay * tone;
        }
    }
    std::vector<int16_t> samples(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        samples[i] = int16_t(std::lround(std::clamp(mix[i], -1.0, 1.0) * 32000));
    return samples;
}

void put32(std::FILE *f, uint32_t v)
{
    const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void put16(std::FILE *f, uint16_t v)
{
    const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

bool writeWave(const char *path, const std::vector<int16_t> &samples)
{
    std::FILE *f = std::fopen(path, "wb");
    if (!f)
        return false;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 1); // mono
    put32(f, SampleRate);
    put32(f, SampleRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
    for (int16_t s : samples)
        put16(f, uint16_t(s));
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s public.wav private.wav\n", argv[0]);
        return 2;
    }
    const auto publicChime = render({{880.0, 0.0, 0.35}, {1174.7, 0.09, 0.45}}, 0.6);
    const auto privateChime =
        render({{987.8, 0.0, 0.3}, {1318.5, 0.08, 0.3}, {1760.0, 0.16, 0.5}}, 0.7);
    return writeWave(argv[1], publicChime) && writeWave(argv[2], privateChime) ? 0 : 1;
}

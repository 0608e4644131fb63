#include <algorithm>
#include <cmath>

#include "assetgen.h"

namespace {
const double PI = 3.14159265358979323846;

struct Partial {
    double ratio, gain, decay; // decay scales the note's own decay time
};

// Bright, slightly inharmonic partials of a small struck bell.
const std::vector<Partial> BELL = {
    {1.0, 1.0, 1.0}, {2.0, 0.4, 0.6}, {3.01, 0.18, 0.4}, {4.2, 0.08, 0.25}, {5.43, 0.05, 0.18}};

// Raised-cosine rise from 0 to 1 over n samples.
double CosineRamp(double i, double n)
{
    return i >= n ? 1.0 : 0.5 - 0.5 * std::cos(PI * i / n);
}

struct Track {
    int rate;
    std::vector<std::vector<double>> ch;
    Track(int r, int channels, size_t frames)
        : rate(r), ch(size_t(channels), std::vector<double>(frames))
    {
    }

    // pan -1 (left) .. +1 (right) with equal power; ignored for mono.
    void AddNote(double start, double freq, double gain, double decay, double pan,
                 const std::vector<Partial> &partials)
    {
        double angle = (pan + 1) * PI / 4;
        double gains[2] = {ch.size() == 1 ? 1.0 : std::cos(angle), std::sin(angle)};
        size_t first = size_t(start * rate), attack = size_t(0.004 * rate);
        for (size_t i = first; i < ch[0].size(); ++i) {
            double t = double(i - first) / rate, v = 0;
            for (const Partial &p : partials)
                v += p.gain * std::exp(-t / (decay * p.decay)) *
                     std::sin(2 * PI * freq * p.ratio * t);
            v *= gain * CosineRamp(double(i - first), double(attack));
            for (size_t c = 0; c < ch.size(); ++c)
                ch[c][i] += v * gains[c];
        }
    }

    // A plain sine that swells in and dies away, for a warm bed under the bells.
    void AddPad(double freq, double gain, double rise, double fallStart, double fallEnd)
    {
        for (size_t i = 0; i < ch[0].size(); ++i) {
            double t = double(i) / rate;
            double env =
                CosineRamp(t, rise) *
                (t < fallStart ? 1.0 : CosineRamp(std::max(fallEnd - t, 0.0), fallEnd - fallStart));
            double v = gain * env * std::sin(2 * PI * freq * t);
            for (auto &c : ch)
                c[i] += v;
        }
    }

    // Fades to exact silence at both ends, removes DC with a window that is
    // zero at the ends, scales to the wanted peak and quantises.
    Bytes Finish(double peak, double fadeIn, double fadeOut)
    {
        size_t n = ch[0].size();
        std::vector<double> window(n);
        double windowSum = 0;
        for (size_t i = 0; i < n; ++i)
            windowSum += window[i] = std::sin(PI * double(i) / double(n - 1));
        double top = 0;
        for (auto &c : ch) {
            for (size_t i = 0; i < n; ++i)
                c[i] *= CosineRamp(double(i), fadeIn * rate) *
                        CosineRamp(double(n - 1 - i), fadeOut * rate);
            double mean = 0;
            for (double v : c)
                mean += v;
            mean /= double(n);
            for (size_t i = 0; i < n; ++i)
                c[i] -= mean * window[i] * double(n) / windowSum;
            for (double v : c)
                top = std::max(top, std::abs(v));
        }
        // A 16-bit PCM WAV file, channels interleaved.
        uint32_t blockAlign = uint32_t(ch.size()) * 2, dataSize = uint32_t(n) * blockAlign;
        Bytes b = {'R', 'I', 'F', 'F'};
        Put32(b, 36 + dataSize);
        b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        Put32(b, 16);
        Put16(b, 1); // PCM
        Put16(b, uint32_t(ch.size()));
        Put32(b, uint32_t(rate));
        Put32(b, uint32_t(rate) * blockAlign);
        Put16(b, blockAlign);
        Put16(b, 16);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        Put32(b, dataSize);
        for (size_t i = 0; i < n; ++i)
            for (auto &c : ch)
                Put16(b, uint16_t(std::clamp(std::lround(c[i] / top * peak * 32767.0), -32766L,
                                             32766L)));
        return b;
    }
};

} // namespace

// C major arpeggio rising left to right over a quiet bed, then the whole chord.
Bytes MakeIntroChime()
{
    Track t(44100, 2, 308700);
    t.AddPad(130.81, 0.05, 1.5, 4.0, 7.0);
    t.AddPad(196.00, 0.04, 1.8, 4.0, 7.0);
    t.AddPad(329.63, 0.025, 2.2, 4.0, 7.0);
    const double arpeggio[] = {523.25, 659.26, 783.99, 1046.50};
    for (int i = 0; i < 4; ++i)
        t.AddNote(0.10 + 0.32 * i, arpeggio[i], 0.30, 1.1, -0.45 + 0.3 * i, BELL);
    for (int i = 0; i < 4; ++i)
        t.AddNote(1.75 + 0.012 * i, arpeggio[i], 0.16, 1.6, 0.35 - 0.23 * i, BELL);
    return t.Finish(0.5012, 0.02, 1.5); // peaks at -6 dBFS
}

Bytes MakeClickSound()
{
    Track t(22050, 1, 684);
    t.AddNote(0.0005, 3000.0, 1.0, 0.0035, 0, {{1.0, 1.0, 1.0}, {1.73, 0.3, 0.6}});
    return t.Finish(0.45, 0.0, 0.003);
}

// A rising fourth, short enough to play on every hover.
Bytes MakeHoverChime()
{
    Track t(22050, 1, 2646);
    const std::vector<Partial> soft = {{1.0, 1.0, 1.0}, {2.0, 0.25, 0.5}, {3.0, 0.08, 0.3}};
    t.AddNote(0.002, 1318.51, 0.8, 0.045, 0, soft);
    t.AddNote(0.045, 1760.00, 0.7, 0.05, 0, soft);
    return t.Finish(0.4, 0.002, 0.025);
}

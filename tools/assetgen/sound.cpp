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
    // zero at the ends, scales to the wanted peak and quantises to 16 bits,
    // channels interleaved.
    std::vector<int16_t> Finish(double peak, double fadeIn, double fadeOut)
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
        std::vector<int16_t> samples;
        for (size_t i = 0; i < n; ++i)
            for (auto &c : ch)
                samples.push_back(
                    int16_t(std::clamp(std::lround(c[i] / top * peak * 32767.0), -32766L, 32766L)));
        return samples;
    }

    Bytes FinishPcm(double peak, double fadeIn, double fadeOut)
    {
        std::vector<int16_t> samples = Finish(peak, fadeIn, fadeOut);
        uint32_t blockAlign = uint32_t(ch.size()) * 2, dataSize = uint32_t(samples.size()) * 2;
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
        for (int16_t v : samples)
            Put16(b, uint16_t(v));
        return b;
    }
};

const int IMA_STEPS[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int IMA_INDEX_MOVES[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// Applies one 4-bit code to a channel's state exactly as every decoder does.
void StepIma(ImaChannel &s, int code)
{
    int step = IMA_STEPS[s.index], delta = step >> 3;
    if (code & 4)
        delta += step;
    if (code & 2)
        delta += step >> 1;
    if (code & 1)
        delta += step >> 2;
    s.predictor = std::clamp(s.predictor + (code & 8 ? -delta : delta), -32768, 32767);
    s.index = std::clamp(s.index + IMA_INDEX_MOVES[code & 7], 0, 88);
}

// The code whose decoded sample lies nearest to `sample`; looking further
// ahead gains less than 1 dB on the intro.
int ChooseIma(const ImaChannel &s, int sample)
{
    int best = 0;
    long bestError = -1;
    for (int code = 0; code < 16; ++code) {
        ImaChannel trial = s;
        StepIma(trial, code);
        long error = std::abs(long(trial.predictor) - sample);
        if (bestError < 0 || error < bestError)
            best = code, bestError = error;
    }
    return best;
}

} // namespace

ImaFormat ImaFormatFor(int channels, int rate)
{
    ImaFormat f;
    f.channels = channels;
    f.rate = rate;
    // The block sizes Windows' own encoder writes: 256 bytes a channel at 11 kHz
    // and below, doubled for each doubling of the rate.
    f.blockAlign = (rate <= 11025 ? 256 : rate <= 22050 ? 512 : 1024) * channels;
    f.samplesPerBlock = (f.blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
    return f;
}

// An IMA ADPCM WAVE file (format 0x11) as Windows' codec writes one: blocks
// that start with each channel's sample and step index, then eight samples a
// channel in turn, four bytes each, the earlier sample in the low nibble. The
// last block is filled with silence; the fact chunk holds the true length.
Bytes EncodeImaAdpcm(const std::vector<int16_t> &samples, int channels, int rate)
{
    ImaFormat f = ImaFormatFor(channels, rate);
    size_t frames = samples.size() / size_t(channels);
    size_t blocks = (frames + f.samplesPerBlock - 1) / f.samplesPerBlock;
    auto sampleAt = [&](size_t frame, int c) {
        return frame < frames ? samples[frame * channels + c] : 0;
    };
    Bytes data;
    std::vector<ImaChannel> state(static_cast<size_t>(channels));
    for (size_t block = 0; block < blocks; ++block) {
        size_t first = block * f.samplesPerBlock;
        for (int c = 0; c < channels; ++c) {
            state[c].predictor = sampleAt(first, c);
            Put16(data, uint16_t(state[c].predictor));
            data.insert(data.end(), {uint8_t(state[c].index), 0});
        }
        for (size_t group = first + 1; group < first + f.samplesPerBlock; group += 8)
            for (int c = 0; c < channels; ++c)
                for (size_t pair = 0; pair < 8; pair += 2) {
                    int low = ChooseIma(state[c], sampleAt(group + pair, c));
                    StepIma(state[c], low);
                    int high = ChooseIma(state[c], sampleAt(group + pair + 1, c));
                    StepIma(state[c], high);
                    data.push_back(uint8_t(low | high << 4));
                }
    }
    Bytes b = {'R', 'I', 'F', 'F'};
    Put32(b, uint32_t(4 + 8 + 20 + 8 + 4 + 8 + data.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 20);
    Put16(b, 0x11); // IMA ADPCM
    Put16(b, uint32_t(channels));
    Put32(b, uint32_t(rate));
    Put32(b, uint32_t(uint64_t(rate) * f.blockAlign / f.samplesPerBlock));
    Put16(b, uint32_t(f.blockAlign));
    Put16(b, 4);
    Put16(b, 2);
    Put16(b, uint32_t(f.samplesPerBlock));
    b.insert(b.end(), {'f', 'a', 'c', 't'});
    Put32(b, 4);
    Put32(b, uint32_t(frames));
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<int16_t> DecodeImaAdpcm(const Bytes &data, int channels, int blockAlign)
{
    std::vector<int16_t> out;
    size_t headers = 4 * size_t(channels);
    for (size_t at = 0; at + size_t(blockAlign) <= data.size(); at += size_t(blockAlign)) {
        std::vector<ImaChannel> state(static_cast<size_t>(channels));
        std::vector<std::vector<int16_t>> decoded(static_cast<size_t>(channels));
        for (int c = 0; c < channels; ++c) {
            const uint8_t *h = &data[at + 4 * size_t(c)];
            state[c].predictor = int16_t(h[0] | h[1] << 8);
            state[c].index = std::min<int>(h[2], 88);
            decoded[c].push_back(int16_t(state[c].predictor));
        }
        for (size_t i = headers; i < size_t(blockAlign); ++i) {
            int c = int((i - headers) / 4 % size_t(channels));
            for (int code : {data[at + i] & 15, data[at + i] >> 4}) {
                StepIma(state[c], code);
                decoded[c].push_back(int16_t(state[c].predictor));
            }
        }
        for (size_t k = 0; k < decoded[0].size(); ++k)
            for (int c = 0; c < channels; ++c)
                out.push_back(decoded[c][k]);
    }
    return out;
}

// C major arpeggio rising left to right over a quiet bed, then the whole chord.
std::vector<int16_t> SynthesiseIntro(int rate, int channels)
{
    Track t(rate, channels, size_t(rate) * INTRO_SECONDS);
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

Bytes MakeIntroChime()
{
    return EncodeImaAdpcm(SynthesiseIntro(INTRO_RATE, INTRO_CHANNELS), INTRO_CHANNELS, INTRO_RATE);
}

Bytes MakeClickSound()
{
    Track t(22050, 1, 684);
    t.AddNote(0.0005, 3000.0, 1.0, 0.0035, 0, {{1.0, 1.0, 1.0}, {1.73, 0.3, 0.6}});
    return t.FinishPcm(0.45, 0.0, 0.003);
}

// A rising fourth, short enough to play on every hover.
Bytes MakeHoverChime()
{
    Track t(22050, 1, 2646);
    const std::vector<Partial> soft = {{1.0, 1.0, 1.0}, {2.0, 0.25, 0.5}, {3.0, 0.08, 0.3}};
    t.AddNote(0.002, 1318.51, 0.8, 0.045, 0, soft);
    t.AddNote(0.045, 1760.00, 0.7, 0.05, 0, soft);
    return t.FinishPcm(0.4, 0.002, 0.025);
}

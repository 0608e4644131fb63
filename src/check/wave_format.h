// Whether the platform's player can play a sound file: a RIFF WAVE file with a
// fmt chunk, a data chunk after it, and a format that Windows plays as shipped
// (PCM, or one that its audio compression manager decodes).
#pragma once

#include <windows.h>

#include <string>

enum WaveVerdict {
    WAVE_PLAYS,
    WAVE_UNJUDGED,   // a chunk header lies beyond the bytes read: nothing is said
    WAVE_NOT_RIFF,   // not a RIFF file of form WAVE
    WAVE_TRUNCATED,  // a chunk the player reads runs past the end of the file
    WAVE_NO_FORMAT,  // no fmt chunk before the data, or one too short for its format
    WAVE_NO_DATA,    // no data chunk after the fmt chunk
    WAVE_UNPLAYABLE, // a format Windows does not play
    WAVE_BAD_FIELDS, // channels, rate, bits or block size that cannot be played
};

struct WaveFacts {
    WaveVerdict verdict = WAVE_PLAYS;
    // WAVE_NOT_RIFF: what the file looks like instead ("an MP3 file"), or empty.
    // WAVE_TRUNCATED: the chunk that is cut. WAVE_UNPLAYABLE: the format.
    // WAVE_BAD_FIELDS: the format's name.
    std::wstring detail;
    int channels = 0;
    int samplesPerSecond = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
};

// Judges a file of `fileSize` bytes from its first `headSize` bytes.
WaveFacts JudgeWave(const BYTE *head, size_t headSize, unsigned long long fileSize);

// Reads the head of the file at `path` and judges it; WAVE_UNJUDGED when the
// file cannot be read.
WaveFacts JudgeWaveFile(const std::wstring &path);

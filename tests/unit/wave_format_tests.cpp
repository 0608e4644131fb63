// The checker's rule for sound files: RIFF WAVE files the platform plays, and
// why others never play; each file judged where reading one byte past its end
// would fault.
#include "check/wave_format.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

std::string Le16(unsigned value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string Le32(unsigned long value)
{
    return Le16(value & 0xFFFF) + Le16(value >> 16 & 0xFFFF);
}

std::string Chunk(const char *id, const std::string &body)
{
    std::string chunk = std::string(id, 4) + Le32(body.size()) + body;
    return body.size() % 2 ? chunk + '\0' : chunk;
}

std::string Riff(const std::string &chunks)
{
    return "RIFF" + Le32(4 + chunks.size()) + "WAVE" + chunks;
}

std::string Fmt(unsigned tag, unsigned channels, unsigned long rate, unsigned blockAlign,
                unsigned bits, const std::string &extra = "")
{
    return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) +
                             Le16(blockAlign) + Le16(bits) + extra);
}

// An extensible header whose sub-format is `tag` in the standard GUID.
std::string ExtensibleFmt(unsigned tag, unsigned channels, unsigned bits)
{
    std::string guidTail("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    return Fmt(WAVE_FORMAT_EXTENSIBLE, channels, 44100, channels * bits / 8, bits,
               Le16(22) + Le16(bits) + Le32(3) + Le32(tag) + guidTail);
}

const std::string PCM = Fmt(WAVE_FORMAT_PCM, 1, 22050, 2, 16);
const std::string DATA = Chunk("data", std::string(64, '\x10'));

// A read past the file ends the program at once, with the reason.
LONG CALLBACK StopAtFault(EXCEPTION_POINTERS *exception)
{
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    fputs("JudgeWave read past the end of the file\n", stderr);
    ExitProcess(3);
}

// Judges `bytes` (of which the first `headSize` were read) placed so that they
// end where an inaccessible page begins.
WaveFacts JudgeAtPageEnd(const std::string &bytes, size_t headSize)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    size_t page = system.dwPageSize;
    size_t span = (bytes.size() / page + 1) * page;
    auto *base = static_cast<BYTE *>(
        VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous;
    VirtualProtect(base + span, page, PAGE_NOACCESS, &previous);
    BYTE *start = base + span - bytes.size();
    memcpy(start, bytes.data(), bytes.size());
    PVOID handler = AddVectoredExceptionHandler(1, StopAtFault);
    WaveFacts facts =
        JudgeWave(start, headSize < bytes.size() ? headSize : bytes.size(), bytes.size());
    RemoveVectoredExceptionHandler(handler);
    VirtualFree(base, 0, MEM_RELEASE);
    return facts;
}

TEST(WaveFormat, PlayableFormatsPassAndOthersSayWhy)
{
    struct Case {
        const char *name;
        std::string bytes;
        WaveVerdict verdict;
        const wchar_t *detail;
        size_t headSize;
    };
    const size_t all = static_cast<size_t>(-1);
    std::string cut = Riff(PCM + DATA);
    // clang-format off
    const Case cases[] = {
        {"PCM", Riff(PCM + DATA), WAVE_PLAYS, L"", all},
        {"PCM after a LIST of odd size", Riff(Chunk("LIST", "abc") + PCM + DATA), WAVE_PLAYS, L"", all},
        {"RIFF size of a stream", "RIFF" + Le32(0xFFFFFFFF) + "WAVE" + PCM + DATA, WAVE_PLAYS, L"", all},
        {"extensible PCM", Riff(ExtensibleFmt(WAVE_FORMAT_PCM, 6, 24) + DATA), WAVE_PLAYS, L"", all},
        {"IMA ADPCM", Riff(Fmt(WAVE_FORMAT_IMA_ADPCM, 1, 22050, 512, 4, Le16(2) + Le16(1017)) + DATA), WAVE_PLAYS, L"", all},
        {"MPEG Layer-3", Riff(Fmt(WAVE_FORMAT_MPEGLAYER3, 2, 44100, 1, 0, Le16(12) + std::string(12, '\1')) + DATA), WAVE_PLAYS, L"", all},
        {"GSM 6.10", Riff(Fmt(WAVE_FORMAT_GSM610, 1, 8000, 65, 0, Le16(2) + Le16(320)) + DATA), WAVE_PLAYS, L"", all},
        {"MP3 renamed", "ID3\x04" + std::string(60, '\0'), WAVE_NOT_RIFF, L"an MP3 file", all},
        {"AVI", "RIFF" + Le32(4) + "AVI ", WAVE_NOT_RIFF, L"a RIFF file of form \"AVI \"", all},
        {"empty file", "", WAVE_NOT_RIFF, L"", all},
        {"RIFF header only", "RIFF", WAVE_NOT_RIFF, L"", all},
        {"IEEE float", Riff(Fmt(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 4, 32) + DATA), WAVE_UNPLAYABLE, L"0x0003 (IEEE float)", all},
        {"extensible float", Riff(ExtensibleFmt(WAVE_FORMAT_IEEE_FLOAT, 2, 32) + DATA), WAVE_UNPLAYABLE, L"0x0003 (IEEE float) in an extensible header", all},
        {"data cut short", cut.substr(0, cut.size() - 10), WAVE_TRUNCATED, L"data", all},
        {"cut inside a chunk header", "RIFF" + Le32(4 + PCM.size() + DATA.size()) + "WAVE" + PCM + "da", WAVE_TRUNCATED, L"RIFF", all},
        {"LIST past the end", "RIFF" + Le32(0xFFFFFFFF) + "WAVE" + PCM + "LIST" + Le32(5000) + "ab", WAVE_TRUNCATED, L"LIST", all},
        {"fmt past the end", Riff(PCM).substr(0, 30), WAVE_TRUNCATED, L"fmt ", all},
        {"fmt too short", Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000) + Le32(8000)) + DATA), WAVE_NO_FORMAT, L"", all},
        {"no fmt", Riff(DATA), WAVE_NO_FORMAT, L"", all},
        {"RIFF size too small for fmt", "RIFF" + Le32(4) + "WAVE" + PCM + DATA, WAVE_NO_FORMAT, L"", all},
        {"data before fmt only", Riff(DATA + PCM), WAVE_NO_DATA, L"", all},
        {"PCM of 12 bits", Riff(Fmt(WAVE_FORMAT_PCM, 1, 22050, 2, 12) + DATA), WAVE_BAD_FIELDS, L"PCM", all},
        {"PCM block size off", Riff(Fmt(WAVE_FORMAT_PCM, 2, 22050, 2, 16) + DATA), WAVE_BAD_FIELDS, L"PCM", all},
        {"ADPCM without channels", Riff(Fmt(WAVE_FORMAT_ADPCM, 0, 22050, 512, 4) + DATA), WAVE_BAD_FIELDS, L"Microsoft ADPCM", all},
        {"data header beyond what was read", Riff(Chunk("LIST", std::string(100, 'x')) + PCM + DATA), WAVE_UNJUDGED, L"", 100},
    };
    // clang-format on
    for (const Case &c : cases) {
        WaveFacts facts = JudgeAtPageEnd(c.bytes, c.headSize);
        EXPECT_EQ(c.verdict, facts.verdict) << c.name;
        EXPECT_EQ(std::wstring(c.detail), facts.detail) << c.name;
    }
}

TEST(WaveFormat, BadFieldsAreReportedAsRead)
{
    WaveFacts facts = JudgeAtPageEnd(Riff(Fmt(WAVE_FORMAT_PCM, 2, 44100, 3, 16) + DATA), 4096);
    ASSERT_EQ(WAVE_BAD_FIELDS, facts.verdict);
    EXPECT_EQ(2, facts.channels);
    EXPECT_EQ(44100, facts.samplesPerSecond);
    EXPECT_EQ(16, facts.bitsPerSample);
    EXPECT_EQ(3, facts.blockAlign);
}

// The launcher's intro as Windows plays it: the checker's rule passes it, its
// fact chunk says seven seconds, and the system's own codec decodes it into
// that length (whole blocks, so at most one block more) of audible sound.
TEST(WaveFormat, TheIntroIsSevenSecondsThatTheSystemCodecDecodes)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(200), MAKEINTRESOURCEW(30));
    ASSERT_TRUE(found);
    const BYTE *intro = static_cast<const BYTE *>(LockResource(LoadResource(nullptr, found)));
    DWORD size = SizeofResource(nullptr, found);
    WaveFacts facts = JudgeWave(intro, size, size);
    ASSERT_EQ(WAVE_PLAYS, facts.verdict) << facts.verdict;

    // The chunks as the player finds them.
    MMIOINFO memory = {};
    memory.fccIOProc = FOURCC_MEM;
    memory.pchBuffer = reinterpret_cast<HPSTR>(const_cast<BYTE *>(intro));
    memory.cchBuffer = static_cast<LONG>(size);
    HMMIO file = mmioOpenW(nullptr, &memory, MMIO_READ);
    ASSERT_TRUE(file);
    MMCKINFO riff = {}, chunk = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(0u, mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF));
    std::vector<BYTE> format(64);
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(0u, mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK));
    ASSERT_LE(chunk.cksize, format.size());
    mmioRead(file, reinterpret_cast<HPSTR>(format.data()), static_cast<LONG>(chunk.cksize));
    mmioAscend(file, &chunk, 0);
    DWORD frames = 0;
    chunk.ckid = mmioFOURCC('f', 'a', 'c', 't');
    ASSERT_EQ(0u, mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK));
    mmioRead(file, reinterpret_cast<HPSTR>(&frames), sizeof frames);
    mmioAscend(file, &chunk, 0);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(0u, mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK));
    std::vector<BYTE> data(chunk.cksize);
    ASSERT_EQ(static_cast<LONG>(data.size()),
              mmioRead(file, reinterpret_cast<HPSTR>(data.data()), static_cast<LONG>(data.size())));
    mmioClose(file, 0);

    const auto *source = reinterpret_cast<const IMAADPCMWAVEFORMAT *>(format.data());
    ASSERT_EQ(WAVE_FORMAT_IMA_ADPCM, source->wfx.wFormatTag);
    const WORD channels = source->wfx.nChannels;
    EXPECT_EQ(1, channels);
    const DWORD rate = source->wfx.nSamplesPerSec;
    EXPECT_EQ(7 * rate, frames);

    const WORD frameBytes = static_cast<WORD>(2 * channels);
    WAVEFORMATEX pcm = {WAVE_FORMAT_PCM, channels, rate, rate * frameBytes, frameBytes, 16, 0};
    HACMSTREAM stream = nullptr;
    MMRESULT opened = acmStreamOpen(&stream, nullptr, const_cast<WAVEFORMATEX *>(&source->wfx),
                                    &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    ASSERT_EQ(0u, opened) << "acmStreamOpen";
    DWORD outputSize = 0;
    ASSERT_EQ(0u, acmStreamSize(stream, static_cast<DWORD>(data.size()), &outputSize,
                                ACM_STREAMSIZEF_SOURCE));
    std::vector<short> output(outputSize / 2);
    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof header;
    header.pbSrc = data.data();
    header.cbSrcLength = static_cast<DWORD>(data.size());
    header.pbDst = reinterpret_cast<BYTE *>(output.data());
    header.cbDstLength = outputSize;
    ASSERT_EQ(0u, acmStreamPrepareHeader(stream, &header, 0));
    EXPECT_EQ(0u,
              acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END));
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);

    const DWORD decoded = header.cbDstLengthUsed / pcm.nBlockAlign;
    EXPECT_GE(decoded, frames);
    EXPECT_LT(decoded, frames + source->wSamplesPerBlock);
    int peak = 0;
    for (DWORD i = 0; i < channels * decoded; i++)
        peak = peak > abs(output[i]) ? peak : abs(output[i]);
    EXPECT_GT(peak, 8192) << "decoded, the intro is too quiet to be the chime";
}

} // namespace

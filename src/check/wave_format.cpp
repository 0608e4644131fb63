#include "wave_format.h"

#include <mmreg.h>
#include <string.h>

#include <vector>

// Enough for the fmt chunk and the headers before the data of any common file.
enum : DWORD { HEAD_BYTES = 65536 };

struct FormatName {
    WORD tag;
    const wchar_t *name;
};

// What Windows' audio compression manager decodes as shipped.
static const FormatName DECODED[] = {
    {WAVE_FORMAT_ADPCM, L"Microsoft ADPCM"}, {WAVE_FORMAT_ALAW, L"CCITT A-law"},
    {WAVE_FORMAT_MULAW, L"CCITT u-law"},     {WAVE_FORMAT_IMA_ADPCM, L"IMA ADPCM"},
    {WAVE_FORMAT_GSM610, L"GSM 6.10"},       {WAVE_FORMAT_MPEGLAYER3, L"MPEG Layer-3"},
};

// Formats an author may meet that do not play, named for the message.
static const FormatName UNDECODED[] = {
    {WAVE_FORMAT_IEEE_FLOAT, L"IEEE float"},
    {0x0050, L"MPEG Layer 1 or 2"},
    {0x00FF, L"AAC"},
    {0x0160, L"Windows Media Audio"},
    {0x0161, L"Windows Media Audio"},
    {0x0162, L"Windows Media Audio"},
    {0x1610, L"AAC"},
};

// The sub-format GUID of an extensible header, after its first four bytes
// (which hold the format tag).
static const BYTE SUBFORMAT_BASE[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                        0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

static WORD Read16(const BYTE *p)
{
    return static_cast<WORD>(p[0] | p[1] << 8);
}

static DWORD Read32(const BYTE *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}

static bool IsId(const BYTE *p, const char *id)
{
    return memcmp(p, id, 4) == 0;
}

static std::wstring IdText(const BYTE *p)
{
    std::wstring text;
    for (int i = 0; i < 4; i++)
        text += p[i] >= 32 && p[i] < 127 ? static_cast<wchar_t>(p[i]) : L'?';
    return text;
}

static const wchar_t *FindName(const FormatName *names, size_t count, WORD tag)
{
    for (size_t i = 0; i < count; i++) {
        if (names[i].tag == tag)
            return names[i].name;
    }
    return nullptr;
}

static std::wstring FormatText(WORD tag)
{
    wchar_t number[8];
    wsprintfW(number, L"0x%04X", tag);
    const wchar_t *name = FindName(UNDECODED, ARRAYSIZE(UNDECODED), tag);
    return name ? std::wstring(number) + L" (" + name + L")" : std::wstring(number);
}

// What a file that is not RIFF WAVE seems to be, for the author.
static std::wstring Lookalike(const BYTE *head, size_t size)
{
    if (size >= 3 && memcmp(head, "ID3", 3) == 0)
        return L"an MP3 file";
    if (size >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0)
        return L"an MPEG audio file";
    if (size >= 4 && IsId(head, "OggS"))
        return L"an Ogg file";
    if (size >= 4 && IsId(head, "fLaC"))
        return L"a FLAC file";
    if (size >= 12 && IsId(head, "RIFF"))
        return L"a RIFF file of form \"" + IdText(head + 8) + L"\"";
    return std::wstring();
}

static WaveVerdict Verdict(WaveFacts *facts, WaveVerdict verdict, const std::wstring &detail = L"")
{
    facts->verdict = verdict;
    facts->detail = detail;
    return verdict;
}

static WaveVerdict JudgeFields(WaveFacts *facts, WORD tag, bool pcm)
{
    bool fits = facts->channels >= 1 && facts->samplesPerSecond >= 1 && facts->blockAlign >= 1;
    if (pcm)
        fits = fits &&
               (facts->bitsPerSample == 8 || facts->bitsPerSample == 16 ||
                facts->bitsPerSample == 24 || facts->bitsPerSample == 32) &&
               facts->blockAlign == facts->channels * facts->bitsPerSample / 8;
    if (fits)
        return WAVE_PLAYS;
    const wchar_t *name = pcm ? L"PCM" : FindName(DECODED, ARRAYSIZE(DECODED), tag);
    return Verdict(facts, WAVE_BAD_FIELDS, name);
}

// The fmt chunk's `size` bytes at `fmt`, all of them inside the file.
static WaveVerdict JudgeFormat(const BYTE *fmt, DWORD size, WaveFacts *facts)
{
    if (size < 16)
        return Verdict(facts, WAVE_NO_FORMAT);
    WORD tag = Read16(fmt);
    facts->channels = Read16(fmt + 2);
    facts->samplesPerSecond = static_cast<int>(Read32(fmt + 4) & 0x7FFFFFFF);
    facts->blockAlign = Read16(fmt + 12);
    facts->bitsPerSample = Read16(fmt + 14);
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (size < 40 || Read16(fmt + 16) < 22)
            return Verdict(facts, WAVE_NO_FORMAT);
        const BYTE *subFormat = fmt + 24;
        if (memcmp(subFormat + 4, SUBFORMAT_BASE, sizeof SUBFORMAT_BASE) != 0)
            return Verdict(facts, WAVE_UNPLAYABLE,
                           L"0xFFFE (extensible) with an unknown sub-format");
        tag = Read16(subFormat);
        if (tag != WAVE_FORMAT_PCM || Read16(subFormat + 2) != 0)
            return Verdict(facts, WAVE_UNPLAYABLE, FormatText(tag) + L" in an extensible header");
    }
    if (tag == WAVE_FORMAT_PCM)
        return JudgeFields(facts, tag, true);
    if (FindName(DECODED, ARRAYSIZE(DECODED), tag))
        return JudgeFields(facts, tag, false);
    return Verdict(facts, WAVE_UNPLAYABLE, FormatText(tag));
}

WaveFacts JudgeWave(const BYTE *head, size_t headSize, unsigned long long fileSize)
{
    WaveFacts facts;
    if (headSize > fileSize)
        headSize = static_cast<size_t>(fileSize);
    if (headSize < 12 || !IsId(head, "RIFF") || !IsId(head + 8, "WAVE")) {
        Verdict(&facts, WAVE_NOT_RIFF, Lookalike(head, headSize));
        return facts;
    }
    // The player looks for the fmt chunk inside the RIFF chunk, then for the
    // data chunk after it.
    unsigned long long riffEnd = 8ull + Read32(head + 4);
    bool formatSeen = false;
    for (unsigned long long offset = 12;;) {
        if (offset + 8 > riffEnd) {
            Verdict(&facts, formatSeen ? WAVE_NO_DATA : WAVE_NO_FORMAT);
            return facts;
        }
        if (offset + 8 > fileSize) {
            Verdict(&facts, WAVE_TRUNCATED, L"RIFF");
            return facts;
        }
        if (offset + 8 > headSize) {
            Verdict(&facts, WAVE_UNJUDGED);
            return facts;
        }
        const BYTE *chunk = head + offset;
        DWORD size = Read32(chunk + 4);
        unsigned long long end = offset + 8 + size;
        if (end > fileSize) {
            Verdict(&facts, WAVE_TRUNCATED, IdText(chunk));
            return facts;
        }
        if (!formatSeen && IsId(chunk, "fmt ")) {
            // Only its first 40 bytes are read.
            if (offset + 8 + (size < 40 ? size : 40) > headSize) {
                Verdict(&facts, WAVE_UNJUDGED);
                return facts;
            }
            if (JudgeFormat(chunk + 8, size < 40 ? size : 40, &facts) != WAVE_PLAYS)
                return facts;
            formatSeen = true;
        } else if (formatSeen && IsId(chunk, "data")) {
            return facts;
        }
        offset = end + (size & 1);
    }
}

WaveFacts JudgeWaveFile(const std::wstring &path)
{
    WaveFacts facts;
    facts.verdict = WAVE_UNJUDGED;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return facts;
    LARGE_INTEGER size = {};
    std::vector<BYTE> head(HEAD_BYTES);
    DWORD got = 0;
    if (GetFileSizeEx(file, &size) && ReadFile(file, head.data(), HEAD_BYTES, &got, nullptr))
        facts = JudgeWave(head.data(), got, static_cast<unsigned long long>(size.QuadPart));
    CloseHandle(file);
    return facts;
}

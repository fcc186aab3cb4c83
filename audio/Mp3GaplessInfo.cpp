#include "audio/Mp3GaplessInfo.h"

#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr std::uint32_t kDecoderDelay = 529;
// The header, side information and the tag with its encoder extension fit in these bytes.
constexpr std::size_t kFrameStart = 256;

std::uint32_t Big32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// The layer III frame header at `p`: its sample rate, samples per frame and the bytes of header
// and side information before a Xing tag. False for anything else.
bool ReadFrameHeader(const std::uint8_t* p, std::uint32_t& rate, std::uint32_t& samplesPerFrame,
                     std::size_t& tagOffset) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (p[1] >> 1) & 3;   // 1: layer III
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || rateIndex == 3 || (p[2] >> 4) == 15)
        return false;
    static constexpr std::array<std::uint32_t, 3> kMpeg1Rates = {44100, 48000, 32000};
    const std::uint32_t divisor = version == 3 ? 1 : version == 2 ? 2 : 4;
    rate = kMpeg1Rates[static_cast<std::size_t>(rateIndex)] / divisor;
    samplesPerFrame = version == 3 ? 1152 : 576;
    const bool mono = (p[3] >> 6) == 3;
    const std::size_t sideInfo = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const bool crc = (p[1] & 1) == 0;
    tagOffset = 4 + (crc ? 2 : 0) + sideInfo;
    return true;
}

// The bytes after an ID3v2 tag at the start of the stream, if any.
std::uint64_t AfterId3(std::ifstream& in) {
    std::uint8_t head[10] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    if (in.gcount() < 10 || std::memcmp(head, "ID3", 3) != 0)
        return 0;
    const std::uint64_t size = (static_cast<std::uint64_t>(head[6] & 0x7F) << 21) | ((head[7] & 0x7F) << 14) |
                               ((head[8] & 0x7F) << 7) | (head[9] & 0x7F);
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

bool TMp3GaplessInfo::Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::uint64_t start = AfterId3(in);
    in.clear();
    in.seekg(static_cast<std::streamoff>(start));
    std::vector<std::uint8_t> frame(kFrameStart);
    in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    if (in.gcount() < static_cast<std::streamsize>(frame.size()))
        return false;
    std::uint32_t rate = 0, samplesPerFrame = 0;
    std::size_t at = 0;
    if (!ReadFrameHeader(frame.data(), rate, samplesPerFrame, at))
        return false;
    if (std::memcmp(&frame[at], "Xing", 4) != 0 && std::memcmp(&frame[at], "Info", 4) != 0)
        return false;
    const std::uint32_t flags = Big32(&frame[at + 4]);
    at += 8;
    if ((flags & 1) == 0)
        return false; // no frame count: the stream's length is not stated
    const std::uint64_t frames = Big32(&frame[at]);
    at += 4 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    // The extension begins with the encoder's name and version, such as "LAME3.100"; a tag
    // without one has no delay or padding to read.
    for (std::size_t i = 0; i < 4; ++i)
        if (!std::isalnum(frame[at + i]))
            return false;
    const std::uint8_t* delays = &frame[at + 21];
    const std::uint32_t delay = (static_cast<std::uint32_t>(delays[0]) << 4) | (delays[1] >> 4);
    const std::uint32_t padding = ((static_cast<std::uint32_t>(delays[1]) & 0x0F) << 8) | delays[2];
    const std::uint64_t decoded = frames * samplesPerFrame;
    if (delay + padding >= decoded)
        return false;
    SampleRate = rate;
    LeadingSamples = delay + kDecoderDelay;
    Samples = decoded - delay - padding;
    return true;
}

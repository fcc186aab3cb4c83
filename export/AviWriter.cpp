#include "export/AviWriter.h"

#include "base/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::uint8_t kAviIndexOfIndexes = 0;
constexpr std::uint8_t kAviIndexOfChunks = 1;
constexpr std::uint32_t kNotKeyFrame = 0x80000000u;

constexpr std::uint32_t kMainHeaderSize = 56;
constexpr std::uint32_t kStreamHeaderSize = 56;
constexpr std::uint32_t kSuperIndexSize = 24 + 16 * TAviWriter::kMaxParts; // "indx" data
constexpr std::uint32_t kDmlhSize = 248;
constexpr std::uint32_t kOdmlListSize = 4 + 8 + kDmlhSize; // "odml" + the "dmlh" chunk

// Little-endian bytes with chunk sizes filled in when a chunk ends.
class TRiffBytes {
public:
    std::vector<std::uint8_t> Bytes;

    void U8(std::uint8_t v) { Bytes.push_back(v); }
    void U16(std::uint32_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void FourCC(const char* code) { Bytes.insert(Bytes.end(), code, code + 4); }
    void Zeros(std::size_t count) { Bytes.insert(Bytes.end(), count, 0); }
    void Raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        Bytes.insert(Bytes.end(), p, p + size);
    }
    // Starts a chunk (or a list, with its type); returns where its size goes.
    std::size_t Begin(const char* code, const char* listType = nullptr) {
        FourCC(code);
        const std::size_t at = Bytes.size();
        U32(0);
        if (listType)
            FourCC(listType);
        return at;
    }
    void End(std::size_t sizeAt) {
        if (Bytes.size() & 1)
            U8(0);
        const auto size = static_cast<std::uint32_t>(Bytes.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            Bytes[sizeAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    }
};

std::vector<std::uint8_t> U32Bytes(std::uint32_t v) {
    TRiffBytes b;
    b.U32(v);
    return b.Bytes;
}

} // namespace

TAviWriter::TAviWriter(std::uint64_t riffLimit)
    // Offsets inside a part are 32-bit; keep every part well below 4 GiB.
    : RiffLimit_(std::min<std::uint64_t>(riffLimit, std::uint64_t{2} << 30)) {}

TAviWriter::~TAviWriter() {
    Discard();
}

void TAviWriter::Discard() {
    if (File_) {
        std::fclose(File_);
        File_ = nullptr;
    }
    Target_.reset();
}

bool TAviWriter::Plan(std::uint32_t frames, std::uint32_t sampleSize) {
    if (File_ || frames == 0 || sampleSize >= kNotKeyFrame)
        return false;
    Planned_ = true;
    PlannedFrames_ = frames;
    PlannedSampleSize_ = sampleSize;
    return true;
}

bool TAviWriter::Open(const std::filesystem::path& path) {
    if (File_ || path.empty())
        return false;
    try {
        // Unplanned headers are patched at the end, so a pipe gets the finished file.
        Target_ = std::make_unique<TAtomicFile>(
            path, Planned_ ? TAtomicFile::TAccess::Sequential : TAtomicFile::TAccess::Seekable);
    } catch (const ECwError& e) {
        Error_ = e.what();
        return false;
    }
    const int fd = ::dup(Target_->Descriptor());
    File_ = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!File_) {
        if (fd >= 0)
            ::close(fd);
        Error_ = std::strerror(errno);
        Target_.reset();
        return false;
    }
    // Headers and indexes are many small writes; frames go past the buffer in one piece.
    std::setvbuf(File_, nullptr, _IOFBF, 1 << 20);
    return true;
}

bool TAviWriter::CreateStream(const TAviStreamInfo& info) {
    if (!File_ || HaveStream_ || info.Rate == 0 || info.Scale == 0)
        return false;
    Info_ = info;
    HaveStream_ = true;
    return true;
}

bool TAviWriter::SetFormat(const void* format, std::size_t size) {
    if (!HaveStream_ || HeaderWritten_ || !format || size == 0 || size > 0xFFFF)
        return false;
    const auto* p = static_cast<const std::uint8_t*>(format);
    Format_.assign(p, p + size);
    return true;
}

bool TAviWriter::Put(const void* data, std::size_t size) {
    if (Failed_)
        return false;
    if (DryRun_) {
        Pos_ += size;
        return true;
    }
    // A planned movie gets its patches as the bytes they fall in go out.
    std::vector<std::uint8_t> patched;
    while (NextPatch_ < Patches_.size() && Patches_[NextPatch_].Pos < Pos_ + size) {
        const TPatch& patch = Patches_[NextPatch_];
        if (patched.empty())
            patched.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
        for (std::size_t i = 0; i < patch.Bytes.size(); ++i)
            if (patch.Pos + i >= Pos_ && patch.Pos + i < Pos_ + size)
                patched[patch.Pos + i - Pos_] = patch.Bytes[i];
        if (patch.Pos + patch.Bytes.size() > Pos_ + size)
            break;
        ++NextPatch_;
    }
    if (!patched.empty())
        data = patched.data();
    if (size > 0 && std::fwrite(data, 1, size, File_) != size) {
        Failed_ = true;
        return false;
    }
    Pos_ += size;
    return true;
}

bool TAviWriter::PutU32(std::uint32_t value) {
    const std::vector<std::uint8_t> bytes = U32Bytes(value);
    return Put(bytes.data(), bytes.size());
}

bool TAviWriter::PutFourCC(const char* code) {
    return Put(code, 4);
}

bool TAviWriter::PutAt(std::uint64_t pos, const std::vector<std::uint8_t>& bytes) {
    if (Failed_)
        return false;
    if (DryRun_) {
        Patches_.push_back({pos, bytes});
        return true;
    }
    if (Planned_)
        return true; // put in place as the file went out
    if (::fseeko(File_, static_cast<off_t>(pos), SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), File_) != bytes.size() ||
        ::fseeko(File_, static_cast<off_t>(Pos_), SEEK_SET) != 0) {
        Failed_ = true;
        return false;
    }
    return true;
}

bool TAviWriter::WriteHeader() {
    TRiffBytes b;
    b.Begin("RIFF", "AVI ");
    const std::size_t hdrl = b.Begin("LIST", "hdrl");

    // Frame counts, rates and buffer sizes are filled in by PatchHeader.
    const std::size_t avih = b.Begin("avih");
    AvihPos_ = b.Bytes.size();
    b.U32(0); // microseconds per frame
    b.U32(0); // max bytes per second
    b.U32(0); // padding granularity
    b.U32(kAvifHasIndex);
    b.U32(0); // total frames (of the first part)
    b.U32(0); // initial frames
    b.U32(1); // streams
    b.U32(Info_.SuggestedBufferSize);
    b.U32(static_cast<std::uint32_t>(Info_.FrameRight - Info_.FrameLeft));
    b.U32(static_cast<std::uint32_t>(Info_.FrameBottom - Info_.FrameTop));
    b.Zeros(16);
    b.End(avih);

    const std::size_t strl = b.Begin("LIST", "strl");
    const std::size_t strh = b.Begin("strh");
    StrhPos_ = b.Bytes.size();
    b.FourCC("vids");
    b.U32(0); // handler: none
    b.U32(0); // flags
    b.U16(0); // priority
    b.U16(0); // language
    b.U32(0); // initial frames
    b.U32(Info_.Scale);
    b.U32(Info_.Rate);
    b.U32(0); // start
    b.U32(0); // length
    b.U32(Info_.SuggestedBufferSize);
    b.U32(0); // quality
    b.U32(0); // sample size
    b.U16(static_cast<std::uint16_t>(Info_.FrameLeft));
    b.U16(static_cast<std::uint16_t>(Info_.FrameTop));
    b.U16(static_cast<std::uint16_t>(Info_.FrameRight));
    b.U16(static_cast<std::uint16_t>(Info_.FrameBottom));
    b.End(strh);
    const std::size_t strf = b.Begin("strf");
    b.Raw(Format_.data(), Format_.size());
    b.End(strf);
    // Room for the super index, kept as filler unless the movie outgrows one RIFF part.
    SuperIndexPos_ = b.Bytes.size();
    b.FourCC("JUNK");
    b.U32(kSuperIndexSize);
    b.Zeros(kSuperIndexSize);
    b.End(strl);
    // Likewise room for the OpenDML header with the total frame count.
    OdmlPos_ = b.Bytes.size();
    b.FourCC("JUNK");
    b.U32(kOdmlListSize);
    b.Zeros(kOdmlListSize);
    b.End(hdrl);

    HeaderWritten_ = true;
    Parts_.emplace_back(); // the file's own RIFF is the first part
    Parts_.back().RiffPos = 0;
    if (!Put(b.Bytes.data(), b.Bytes.size()))
        return false;
    if (!PutFourCC("LIST") || !PutU32(0))
        return false;
    Parts_.back().MoviPos = Tell();
    return PutFourCC("movi");
}

bool TAviWriter::StartPart() {
    TPart part;
    part.RiffPos = Tell();
    if (!PutFourCC("RIFF") || !PutU32(0) || !PutFourCC("AVIX") || !PutFourCC("LIST") || !PutU32(0))
        return false;
    part.MoviPos = Tell();
    Parts_.push_back(std::move(part));
    return PutFourCC("movi");
}

bool TAviWriter::WriteStandardIndex(TPart& part) {
    TRiffBytes b;
    const std::size_t chunk = b.Begin("ix00");
    b.U16(2); // longs per entry
    b.U8(0);  // sub-type
    b.U8(kAviIndexOfChunks);
    b.U32(static_cast<std::uint32_t>(part.Entries.size()));
    b.FourCC("00db");
    b.U64(part.MoviPos); // base offset
    b.U32(0);
    for (const TIndexEntry& entry : part.Entries) {
        // Offsets point at the chunk's data, counted from the base.
        b.U32(static_cast<std::uint32_t>(entry.ChunkPos + 8 - part.MoviPos));
        b.U32(entry.Size | (entry.KeyFrame ? 0 : kNotKeyFrame));
    }
    b.End(chunk);
    part.IndexPos = Tell();
    part.IndexSize = static_cast<std::uint32_t>(b.Bytes.size());
    return Put(b.Bytes.data(), b.Bytes.size());
}

bool TAviWriter::FinishPart(bool last) {
    TPart& part = Parts_.back();
    const bool extended = !last || Parts_.size() > 1;
    if (extended && !WriteStandardIndex(part))
        return false;
    if (!PutAt(part.MoviPos - 4, U32Bytes(static_cast<std::uint32_t>(Tell() - part.MoviPos))))
        return false;
    if (Parts_.size() == 1) {
        // idx1: offsets from the "movi" list type, as AVI 1.0 readers expect.
        TRiffBytes b;
        const std::size_t chunk = b.Begin("idx1");
        for (const TIndexEntry& entry : part.Entries) {
            b.FourCC("00db");
            b.U32(entry.KeyFrame ? kAviifKeyFrame : 0);
            b.U32(static_cast<std::uint32_t>(entry.ChunkPos - part.MoviPos));
            b.U32(entry.Size);
        }
        b.End(chunk);
        if (!Put(b.Bytes.data(), b.Bytes.size()))
            return false;
    }
    return PutAt(part.RiffPos + 4, U32Bytes(static_cast<std::uint32_t>(Tell() - part.RiffPos - 8)));
}

bool TAviWriter::PatchHeader() {
    const std::uint32_t firstPartFrames = static_cast<std::uint32_t>(Parts_.front().Entries.size());
    const std::uint64_t perSecond =
        (static_cast<std::uint64_t>(LargestSample_) * Info_.Rate + Info_.Scale - 1) / Info_.Scale;
    const std::uint64_t microseconds = (1000000ull * Info_.Scale + Info_.Rate / 2) / Info_.Rate;
    TRiffBytes avih;
    avih.U32(static_cast<std::uint32_t>(microseconds));
    avih.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(perSecond, 0xFFFFFFFFu)));
    avih.U32(0);
    avih.U32(kAvifHasIndex);
    avih.U32(firstPartFrames);
    avih.U32(0);
    avih.U32(1);
    avih.U32(std::max(Info_.SuggestedBufferSize, LargestSample_));
    if (!PutAt(AvihPos_, avih.Bytes) || !PutAt(StrhPos_ + 32, U32Bytes(Frames_)))
        return false;
    if (Parts_.size() == 1)
        return true;

    TRiffBytes index;
    index.FourCC("indx");
    index.U32(kSuperIndexSize);
    index.U16(4); // longs per entry
    index.U8(0);
    index.U8(kAviIndexOfIndexes);
    index.U32(static_cast<std::uint32_t>(Parts_.size()));
    index.FourCC("00db");
    index.Zeros(12);
    for (const TPart& part : Parts_) {
        index.U64(part.IndexPos);
        index.U32(part.IndexSize);
        index.U32(static_cast<std::uint32_t>(part.Entries.size()));
    }
    TRiffBytes odml;
    const std::size_t list = odml.Begin("LIST", "odml");
    odml.FourCC("dmlh");
    odml.U32(kDmlhSize);
    odml.U32(Frames_);
    odml.Zeros(kDmlhSize - 4);
    odml.End(list);
    return PutAt(SuperIndexPos_, index.Bytes) && PutAt(OdmlPos_, odml.Bytes);
}

bool TAviWriter::RecordPatches() {
    TAviWriter plan(RiffLimit_);
    plan.DryRun_ = true;
    plan.Info_ = Info_;
    plan.Format_ = Format_;
    if (!plan.WriteHeader())
        return false;
    for (std::uint32_t i = 0; i < PlannedFrames_; ++i)
        if (!plan.WriteSample(nullptr, PlannedSampleSize_, true))
            return false;
    if (!plan.FinishPart(true) || !plan.PatchHeader())
        return false;
    Patches_ = std::move(plan.Patches_);
    std::stable_sort(Patches_.begin(), Patches_.end(),
                     [](const TPatch& a, const TPatch& b) { return a.Pos < b.Pos; });
    return true;
}

bool TAviWriter::WriteSample(const void* data, std::size_t size, bool keyFrame) {
    // The standard index keeps the key-frame flag in the top bit of the size.
    if ((!File_ && !DryRun_) || Failed_ || Format_.empty() || size >= kNotKeyFrame || (size > 0 && !data && !DryRun_))
        return false;
    if (Planned_ && (size != PlannedSampleSize_ || Frames_ >= PlannedFrames_))
        return false;
    if (Planned_ && !HeaderWritten_ && !RecordPatches())
        return false;
    if (!HeaderWritten_ && !WriteHeader())
        return false;
    const std::uint64_t chunkBytes = 8 + size + (size & 1);
    if (!Parts_.back().Entries.empty() && Parts_.back().DataBytes + chunkBytes > RiffLimit_) {
        if (Parts_.size() >= kMaxParts || !FinishPart(false) || !StartPart())
            return false;
    }
    TPart& part = Parts_.back();
    part.Entries.push_back({Tell(), static_cast<std::uint32_t>(size), keyFrame});
    part.DataBytes += chunkBytes;
    static const std::uint8_t pad = 0;
    if (!PutFourCC("00db") || !PutU32(static_cast<std::uint32_t>(size)) || !Put(data, size) ||
        ((size & 1) && !Put(&pad, 1)))
        return false;
    ++Frames_;
    LargestSample_ = std::max(LargestSample_, static_cast<std::uint32_t>(size));
    return true;
}

bool TAviWriter::Release() {
    if (!File_)
        return false;
    const bool finished = !Failed_ && !Format_.empty() && (!Planned_ || Frames_ == PlannedFrames_) &&
                          (HeaderWritten_ || WriteHeader()) &&
                          FinishPart(true) && PatchHeader() && std::fflush(File_) == 0;
    if (!finished) {
        Discard();
        return false;
    }
    const bool closed = std::fclose(File_) == 0;
    File_ = nullptr;
    try {
        if (!closed)
            throw ECwError(std::strerror(errno));
        Target_->Commit();
    } catch (const ECwError& e) {
        Error_ = e.what();
        Target_.reset();
        return false;
    }
    Target_.reset();
    return true;
}

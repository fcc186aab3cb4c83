#pragma once

#include "imaging/Picture.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Reading and writing picture files. Every failure throws ECwError naming the file:
//   Cannot read the picture "<path>": <reason>
//   Cannot write the picture "<path>": <reason>
// Decoders fill the picture they are given, reusing its pixel buffer when it is large enough.

// PNG. An 8-bit indexed PNG becomes an 8-bit picture with the grey palette holding the raw palette
// indices (the file's own palette is ignored). Any other PNG becomes a 24-bit picture; its alpha
// channel and transparency are dropped.
void ReadPng(const std::filesystem::path& path, TPicture& picture);
void DecodePng(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture);

// JPEG. A greyscale JPEG becomes an 8-bit picture with the grey palette, any other a 24-bit one.
// A file that ends inside the picture data is an error.
void ReadJpeg(const std::filesystem::path& path, TPicture& picture);
void DecodeJpeg(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture);

// BMP, uncompressed 1, 4, 8, 24 and 32 bits per pixel (32 also with bit-field masks) and RLE8,
// bottom-up or top-down rows. 1, 4 and 8-bit files become 8-bit pictures with the file's palette
// (missing entries black), 24-bit files 24-bit pictures, 32-bit files 32-bit pictures.
void ReadBmp(const std::filesystem::path& path, TPicture& picture);
void DecodeBmp(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture);

// A packed device-independent bitmap as a scanner hands it over: a header of 40 bytes or more,
// the colour masks (40-byte header, 16 or 32 bits, bit-field compression), the colour table and the
// pixels. Offsets and sizes are in bytes from the start of the header.
struct TDibLayout {
    std::size_t HeaderSize = 0;
    std::uint16_t BitCount = 0;
    std::uint32_t ColorsUsed = 0;
    std::size_t ColorTableOffset = 0;
    std::size_t PixelOffset = 0;
    std::size_t ImageSize = 0; // row size x |height|
};

// Completes the header in place: a colours-used count of 0 becomes 2, 16 or 256 for 1, 4 and
// 8-bit pictures (0 otherwise), a colours-important count of 0 becomes colours-used, and the image
// size is set from the row size. Throws "Cannot read the picture ..." when the header does not fit
// in `size` bytes or describes no picture.
TDibLayout CompleteDibHeader(std::uint8_t* dib, std::size_t size, const std::string& name);
// Decodes a DIB (completing its header first) as ReadBmp decodes a BMP file; throws the same way
// when its pixels are missing or its format is unsupported.
void DecodeDib(std::uint8_t* dib, std::size_t size, const std::string& name, TPicture& picture);

// The header block of an uncompressed bottom-up DIB, as BMP files, AVI streams and scanners carry
// it: the 40-byte BITMAPINFOHEADER and, for 8-bit pictures, a colour table of 256 entries.
std::size_t DibHeaderSize(TPixelFormat format);
// Bytes per row of such a DIB: the row's pixels rounded up to whole 4-byte words.
std::size_t DibStride(std::int32_t width, TPixelFormat format);
// Writes the header block (DibHeaderSize bytes) of a width x height DIB to `out`; the colour table
// holds `palette` for 8-bit pictures.
void WriteDibHeader(std::uint8_t* out, std::int32_t width, std::int32_t height, TPixelFormat format,
                    const TPalette& palette);

// How WritePng stores an 8-bit picture.
enum class TPngIndexedMode {
    Palette,  // colour type 3 with the picture's palette: what the PNG reader gives back unchanged
    Grayscale // colour type 0: the indices as grey levels (for pictures with the grey palette)
};

// How WritePng trades file size and safety for time.
struct TPngWriteOptions {
    // One fixed filter (Up) and zlib level 3 instead of libpng's choice of filter per row and
    // zlib's default level: for frames written by the hundred. Files come out about twice as large.
    bool Fast = false;
    // Syncs the file to disk before it replaces the target. A caller writing many files may leave
    // it off and sync them all at the end (SyncFolder).
    bool Sync = true;
};

// Writes a PNG: 24 and 32-bit pictures as 8-bit RGB (alpha dropped), 8-bit pictures as
// `indexedMode` says. Replaces the file in one step.
void WritePng(const std::filesystem::path& path, const TPicture& picture,
              TPngIndexedMode indexedMode = TPngIndexedMode::Palette, const TPngWriteOptions& options = {});

// Writes a baseline JPEG at `quality` (1 to 100); `grayscale` writes one grey channel. 8-bit
// pictures are written with their palette's colours. Replaces the file in one step.
void WriteJpeg(const std::filesystem::path& path, const TPicture& picture, int quality, bool grayscale);

// Writes an uncompressed bottom-up BMP with a BITMAPINFOHEADER: 8-bit pictures with their
// 256-entry palette, 24-bit and 32-bit pictures as they are. Replaces the file in one step.
void WriteBmp(const std::filesystem::path& path, const TPicture& picture);
std::vector<std::uint8_t> EncodeBmp(const TPicture& picture);

// The whole file; throws "Cannot read the picture ..." when it cannot be read.
std::vector<std::uint8_t> ReadPictureFile(const std::filesystem::path& path);
// Writes a temporary file beside `path` and renames it over the target, so a failure leaves an
// existing file as it was; with `sync`, the file is on disk before it replaces the target.
// Throws "Cannot write the picture ...".
void WritePictureFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes,
                      bool sync = true);

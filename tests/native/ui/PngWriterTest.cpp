#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "PngWriter.h"

namespace zmt::automation {
namespace {

uint32_t Big32(const std::vector<uint8_t>& data, size_t at) {
  return (uint32_t{data[at]} << 24) | (uint32_t{data[at + 1]} << 16) |
         (uint32_t{data[at + 2]} << 8) | uint32_t{data[at + 3]};
}

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

// Reads the chunks back, checking each one's CRC.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> chunks;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = Big32(png, at);
    Chunk chunk;
    chunk.Type.assign(reinterpret_cast<const char*>(&png[at + 4]), 4);
    chunk.Data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                      png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    EXPECT_EQ(Big32(png, at + 8 + length), Crc32(&png[at + 4], length + 4)) << chunk.Type;
    chunks.push_back(chunk);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  return chunks;
}

// Undoes the stored deflate blocks of a zlib stream, checking lengths and the Adler-32.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& zlib) {
  EXPECT_EQ(zlib[0], 0x78);
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
  std::vector<uint8_t> out;
  size_t at = 2;
  for (;;) {
    const uint8_t header = zlib[at];
    EXPECT_EQ(header & 0x06, 0) << "not a stored block";
    const unsigned length = zlib[at + 1] | (zlib[at + 2] << 8);
    const unsigned complement = zlib[at + 3] | (zlib[at + 4] << 8);
    EXPECT_EQ(length ^ 0xFFFFu, complement);
    out.insert(out.end(), zlib.begin() + static_cast<std::ptrdiff_t>(at + 5),
               zlib.begin() + static_cast<std::ptrdiff_t>(at + 5 + length));
    at += 5 + length;
    if (header & 1) break;
  }
  EXPECT_EQ(Big32(zlib, at), Adler32(out.data(), out.size()));
  EXPECT_EQ(at + 4, zlib.size());
  return out;
}

TEST(PngWriter, ChecksumsMatchTheirReferenceValues) {
  const char* digits = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits), 9), 0xCBF43926u);
  const char* wiki = "Wikipedia";
  EXPECT_EQ(Adler32(reinterpret_cast<const uint8_t*>(wiki), 9), 0x11E60398u);
  EXPECT_EQ(Adler32(nullptr, 0), 1u);
  // Running on from a partial result gives the same as one pass.
  const auto* bytes = reinterpret_cast<const uint8_t*>(digits);
  EXPECT_EQ(Crc32(bytes + 4, 5, Crc32(bytes, 4)), 0xCBF43926u);
}

TEST(PngWriter, SmallPictureReadsBack) {
  const std::vector<uint8_t> rgb{255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  const std::vector<uint8_t> png = EncodePng(2, 2, rgb);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  const std::vector<Chunk> chunks = Chunks(png);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Type, "IHDR");
  EXPECT_EQ(chunks[0].Data, (std::vector<uint8_t>{0, 0, 0, 2, 0, 0, 0, 2, 8, 2, 0, 0, 0}));
  EXPECT_EQ(chunks[1].Type, "IDAT");
  EXPECT_EQ(chunks[2].Type, "IEND");
  EXPECT_EQ(Inflate(chunks[1].Data),
            (std::vector<uint8_t>{0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255, 10, 20, 30}));
}

TEST(PngWriter, LargePictureSpansSeveralStoredBlocks) {
  const int width = 300;
  const int height = 200;  // 180,200 bytes of rows: three blocks
  std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
  const std::vector<Chunk> chunks = Chunks(EncodePng(width, height, rgb));
  ASSERT_EQ(chunks.size(), 3u);
  const std::vector<uint8_t> raw = Inflate(chunks[1].Data);
  ASSERT_EQ(raw.size(), static_cast<size_t>(height * (width * 3 + 1)));
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(y) * (width * 3 + 1);
    ASSERT_EQ(raw[row], 0);
    ASSERT_EQ(std::memcmp(&raw[row + 1], &rgb[static_cast<size_t>(y) * width * 3], width * 3), 0);
  }
}

TEST(PngWriter, PixelDataOfTheWrongSizeIsRefused) {
  EXPECT_THROW(EncodePng(2, 2, std::vector<uint8_t>(11)), std::invalid_argument);
  EXPECT_THROW(EncodePng(0, 2, {}), std::invalid_argument);
}

}  // namespace
}  // namespace zmt::automation

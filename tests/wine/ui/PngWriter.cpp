#include "PngWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>

namespace zmt::automation {

namespace {

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  const auto& table = CrcTable();
  uint32_t c = crc ^ 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
  uint32_t a = adler & 0xFFFF;
  uint32_t b = adler >> 16;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgb) {
  if (Width <= 0 || Height <= 0 ||
      Rgb.size() != static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3) {
    throw std::invalid_argument("EncodePng: the pixel data does not match the size");
  }
  // Each row starts with filter type 0 (none).
  const size_t rowBytes = static_cast<size_t>(Width) * 3;
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(Height));
  for (int32_t y = 0; y < Height; ++y) {
    raw.push_back(0);
    const auto row = Rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<size_t>(y));
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
  }

  std::vector<uint8_t> zlib{0x78, 0x01};
  size_t offset = 0;
  do {
    const size_t length = std::min<size_t>(65535, raw.size() - offset);
    const bool last = offset + length == raw.size();
    zlib.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
    offset += length;
  } while (offset < raw.size());
  PutBig32(zlib, Adler32(raw.data(), raw.size()));

  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(Width));
  PutBig32(header, static_cast<uint32_t>(Height));
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

bool WritePng(const std::string& path, int32_t Width, int32_t Height,
              const std::vector<uint8_t>& Rgb) {
  const std::vector<uint8_t> png = EncodePng(Width, Height, Rgb);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace zmt::automation

// PNG pictures without a compression library: stored (uncompressed) deflate blocks inside the
// zlib stream, with the CRC-32 and Adler-32 checksums the format asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zmt::automation {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

// Rgb holds Height rows of Width pixels, three bytes (red, green, blue) each, top row first.
std::vector<uint8_t> EncodePng(int32_t Width, int32_t Height, const std::vector<uint8_t>& Rgb);
bool WritePng(const std::string& path, int32_t Width, int32_t Height,
              const std::vector<uint8_t>& Rgb);

}  // namespace zmt::automation

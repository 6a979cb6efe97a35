// PNG files without a library: the raster in stored (uncompressed) deflate
// blocks, as a 256-colour palette image when it has that few colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster.h"

namespace sim {

std::vector<uint8_t> EncodePng(const Raster& raster);

// The CRC-32 of PNG chunks and the Adler-32 of zlib streams.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size);

bool WritePng(const Raster& raster, const std::string& path);

}  // namespace sim

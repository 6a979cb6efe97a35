#include "png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <unordered_map>

namespace sim {
namespace {

constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t STORED_BLOCK_MAX = 65535;
constexpr uint8_t COLOUR_TYPE_RGB = 2, COLOUR_TYPE_PALETTE = 3;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[5], const std::vector<uint8_t>& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutU32(out, Crc32(&out[start], out.size() - start));
}

// The colours of the raster when there are at most 256, else empty.
std::vector<Colour> Palette(const Raster& raster, std::vector<uint8_t>& indices) {
  std::unordered_map<uint32_t, uint8_t> index;
  std::vector<Colour> palette;
  indices.resize(static_cast<size_t>(raster.width) * raster.height);
  uint32_t lastKey = ~0u;
  uint8_t lastIndex = 0;
  for (size_t i = 0; i < indices.size(); ++i) {
    const uint8_t* px = &raster.rgb[i * 3];
    const uint32_t key = (uint32_t{px[0]} << 16) | (uint32_t{px[1]} << 8) | px[2];
    if (key != lastKey) {  // most pixels repeat their left neighbour
      auto found = index.find(key);
      if (found == index.end()) {
        if (palette.size() == 256) return {};
        found = index.emplace(key, static_cast<uint8_t>(palette.size())).first;
        palette.push_back({px[0], px[1], px[2]});
      }
      lastKey = key;
      lastIndex = found->second;
    }
    indices[i] = lastIndex;
  }
  return palette;
}

// A zlib stream of stored deflate blocks: header, blocks, Adler-32.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t len = std::min(STORED_BLOCK_MAX, data.size() - pos);
    const bool last = pos + len == data.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(len & 0xFF));
    out.push_back(static_cast<uint8_t>(len >> 8));
    out.push_back(static_cast<uint8_t>(~len & 0xFF));
    out.push_back(static_cast<uint8_t>((~len >> 8) & 0xFF));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
               data.begin() + static_cast<std::ptrdiff_t>(pos + len));
    pos += len;
  } while (pos < data.size());
  PutU32(out, Adler32(data.data(), data.size()));
  return out;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(const Raster& raster) {
  std::vector<uint8_t> indices;
  const std::vector<Colour> palette = Palette(raster, indices);
  const bool indexed = !palette.empty();
  const size_t w = static_cast<size_t>(raster.width), bytesPerPixel = indexed ? 1 : 3;

  // Every scan line starts with filter type 0 (none).
  std::vector<uint8_t> lines;
  lines.reserve((w * bytesPerPixel + 1) * static_cast<size_t>(raster.height));
  for (int y = 0; y < raster.height; ++y) {
    lines.push_back(0);
    const uint8_t* row = indexed ? &indices[y * w] : &raster.rgb[y * w * 3];
    lines.insert(lines.end(), row, row + w * bytesPerPixel);
  }

  std::vector<uint8_t> png(PNG_SIGNATURE, PNG_SIGNATURE + sizeof PNG_SIGNATURE);
  std::vector<uint8_t> header;
  PutU32(header, static_cast<uint32_t>(raster.width));
  PutU32(header, static_cast<uint32_t>(raster.height));
  header.insert(header.end(), {8, indexed ? COLOUR_TYPE_PALETTE : COLOUR_TYPE_RGB, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  if (indexed) {
    std::vector<uint8_t> plte;
    for (const Colour& c : palette) plte.insert(plte.end(), {c.r, c.g, c.b});
    PutChunk(png, "PLTE", plte);
  }
  PutChunk(png, "IDAT", StoredZlib(lines));
  PutChunk(png, "IEND", {});
  return png;
}

bool WritePng(const Raster& raster, const std::string& path) {
  const std::vector<uint8_t> png = EncodePng(raster);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace sim

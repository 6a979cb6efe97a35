#include "picture/png_writer.h"

#include <cstdio>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace sim {

std::vector<uint8_t> EncodePng(const Raster& raster) {
  std::vector<uint8_t> png;
  if (raster.width <= 0 || raster.height <= 0) return png;
  auto append = [](void* context, void* data, int size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<std::vector<uint8_t>*>(context)->insert(static_cast<std::vector<uint8_t>*>(context)->end(), bytes,
                                                        bytes + size);
  };
  stbi_write_png_compression_level = 9;
  if (!stbi_write_png_to_func(append, &png, raster.width, raster.height, 3, raster.rgb.data(), raster.width * 3))
    png.clear();
  return png;
}

bool WritePng(const Raster& raster, const std::string& path) {
  const std::vector<uint8_t> png = EncodePng(raster);
  if (png.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace sim

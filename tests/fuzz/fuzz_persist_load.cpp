// Fuzz target: IPersistStream::Load from streams that fail, come short or are
// long. Afterwards the block is whole: either the defaults or exactly the 30
// bytes the stream delivered; Save writes back exactly that block.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_host.h"
#include "memory_stream.h"
#include "surface_config.h"
#include "tavrel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks how the stream misbehaves: not at all, in pieces,
  // or with a failing read.
  const uint8_t mode = data[0];
  MemoryStream stream(std::vector<uint8_t>(data + 1, data + size));
  if (mode % 5 == 3) stream.readLimit = static_cast<ULONG>((size - 1) / 2);
  if (mode % 5 == 4) stream.readResult = STG_E_READFAULT;
  auto* surface = new CTavrel;
  // Start from a block that is neither the defaults nor the input.
  for (size_t i = 0; i < CONFIG_SIZE; ++i) surface->SetConfigByte(i, 0xEE);

  FuzzCheck(surface->Load(&stream) == S_OK, "Load answers S_OK");
  uint8_t block[CONFIG_SIZE];
  for (size_t i = 0; i < CONFIG_SIZE; ++i) block[i] = surface->ConfigByte(i);

  uint8_t defaults[CONFIG_SIZE] = {};
  std::memcpy(defaults, DEFAULT_SETTINGS, sizeof DEFAULT_SETTINGS);
  const bool isDefaults = std::memcmp(block, defaults, CONFIG_SIZE) == 0;
  const bool isInput = size - 1 >= CONFIG_SIZE && std::memcmp(block, data + 1, CONFIG_SIZE) == 0;
  FuzzCheck(isDefaults || isInput, "a whole block: the defaults or the 30 bytes read");

  MemoryStream saved;
  FuzzCheck(surface->Save(&saved, mode & 1) == S_OK, "Save answers S_OK");
  FuzzCheck(saved.bytes.size() == CONFIG_SIZE && std::memcmp(saved.bytes.data(), block, CONFIG_SIZE) == 0,
            "Save writes the block in memory, whole");
  surface->Release();
  return 0;
}

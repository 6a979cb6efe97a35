// Fuzz target: long messages of any length and content. Only the exact
// shuttle message moves the now time, by at most 8191, and nothing reads past
// the length given (the message is copied to a block of exactly that size).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_host.h"
#include "midi_map.h"
#include "tavrel.h"

namespace {

// Records the moves the surface makes to the now time.
class MoveRecorder : public FuzzHost {
 public:
  using FuzzHost::FuzzHost;
  HRESULT STDMETHODCALLTYPE GetNowTime(DWORD, TimeRecord* record) override {
    std::memcpy(record->value, &m_position, sizeof m_position);
    ++reads;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNowTime(DWORD, TimeRecord* record) override {
    int32_t position;
    std::memcpy(&position, record->value, sizeof position);
    lastMove = static_cast<int64_t>(position) - m_position;
    ++writes;
    return S_OK;
  }
  int reads = 0;
  int writes = 0;
  int64_t lastMove = 0;

 private:
  int32_t m_position = 1'000'000;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput unused(nullptr, 0);  // the host answers nothing from the input here
  MoveRecorder host(&unused);
  auto* surface = new CTavrel;
  surface->AttachHost(host.Unknown(), 0);

  // A block of exactly `size` bytes (never null, even for 0), so a read past
  // the length given is an overflow the sanitizer reports.
  std::unique_ptr<BYTE[]> copy(new BYTE[size]);
  if (size) std::memcpy(copy.get(), data, size);
  const BYTE* message = copy.get();
  FuzzCheck(surface->OnLongMidi(static_cast<DWORD>(size), message) == S_OK, "long input answers S_OK");

  int32_t expected = 0;
  const bool shuttle = midi::DecodeShuttle(message, static_cast<DWORD>(size), &expected);
  FuzzCheck(host.writes == (shuttle ? 1 : 0), "only the shuttle message moves the now time");
  if (shuttle) {
    FuzzCheck(host.lastMove == expected, "the move is the decoded one");
    FuzzCheck(host.lastMove >= -midi::SHUTTLE_MAX_MOVE && host.lastMove <= midi::SHUTTLE_MAX_MOVE, "move within 8191");
  }
  FuzzCheck(surface->OnLongMidi(static_cast<DWORD>(size), nullptr) == E_POINTER, "null bytes give E_POINTER");
  surface->DetachHost();
  surface->Release();
  return 0;
}

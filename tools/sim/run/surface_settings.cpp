#include "run/surface_settings.h"

#include <cstring>

namespace sim {
namespace {

IPersistStream* Persist(IControlSurface* surface, std::string* error) {
  IPersistStream* persist = nullptr;
  if (FAILED(surface->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))) || persist == nullptr) {
    *error = "the surface has no IPersistStream";
    return nullptr;
  }
  return persist;
}

}  // namespace

bool SaveSettings(IControlSurface* surface, uint8_t (&settings)[PROJECT_SETTINGS_SIZE], std::string* error) {
  IPersistStream* persist = Persist(surface, error);
  if (persist == nullptr) return false;
  IStream* stream = nullptr;
  bool ok = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
  ULARGE_INTEGER size = {};
  ok = ok && SUCCEEDED(persist->GetSizeMax(&size)) && SUCCEEDED(persist->Save(stream, TRUE));
  STATSTG stat = {};
  ok = ok && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME));
  if (ok && stat.cbSize.QuadPart != PROJECT_SETTINGS_SIZE) {
    *error = "the surface saved " + std::to_string(stat.cbSize.QuadPart) + " bytes, not 30";
    ok = false;
  } else if (ok) {
    LARGE_INTEGER start = {};
    ULONG read = 0;
    ok = SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
         SUCCEEDED(stream->Read(settings, PROJECT_SETTINGS_SIZE, &read)) && read == PROJECT_SETTINGS_SIZE;
    if (!ok) *error = "the saved settings could not be read back";
  } else {
    *error = "saving the surface's settings failed";
  }
  if (stream != nullptr) stream->Release();
  persist->Release();
  return ok;
}

bool LoadSettings(IControlSurface* surface, const uint8_t (&settings)[PROJECT_SETTINGS_SIZE], std::string* error) {
  IPersistStream* persist = Persist(surface, error);
  if (persist == nullptr) return false;
  IStream* stream = nullptr;
  bool ok = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
  ULONG written = 0;
  LARGE_INTEGER start = {};
  ok = ok && SUCCEEDED(stream->Write(settings, PROJECT_SETTINGS_SIZE, &written)) && written == PROJECT_SETTINGS_SIZE &&
       SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) && SUCCEEDED(persist->Load(stream));
  if (!ok) *error = "loading the settings into the surface failed";
  if (stream != nullptr) stream->Release();
  persist->Release();
  return ok;
}

}  // namespace sim

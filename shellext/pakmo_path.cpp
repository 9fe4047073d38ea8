#include "pakmo_path.h"

#include <cstring>

#include "registry.h"
#include "shell_ext_ids.h"
#include "sjis.h"

namespace pkshlext {

std::string pakmoPath() {
  std::string folder;
  if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, kInstallKey)) {
    if (auto value = key.getString(kInstallValue)) folder = *value;
  }
  // Held in a string of its own length, so a long folder never runs past a buffer.
  return folder + kProgramFile;
}

void copyBounded(const char* text, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  size_t len = std::strlen(text), used = 0;
  while (used < len) {
    size_t step = sjis::charLength(text, len, used);
    if (used + step + 1 > size) break;
    used += step;
  }
  std::memcpy(buffer, text, used);
  buffer[used] = '\0';
}

}  // namespace pkshlext

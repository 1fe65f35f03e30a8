#include <windows.h>

#include <string>

#include "driver/platform.h"

namespace sc {

// The folder of the running executable, in wide characters, so that any folder name works.
std::filesystem::path programFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return std::filesystem::current_path();
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(name.size() * 2);  // cut short: try again with more room
  }
  return std::filesystem::path(name).parent_path();
}

}  // namespace sc

#include "zip/zip_format.h"

namespace fmt::zip {

std::string methodName(uint16_t method) {
  switch (method) {
    case 0: return "stored";
    case 1: return "shrunk";
    case 2: case 3: case 4: case 5: return "reduced";
    case 6: return "imploded";
    case 8: return "deflate";
    case 9: return "deflate64";
    case 10: return "terse";
    case 12: return "bzip2";
    case 14: return "lzma";
    case 93: return "zstd";
    case 95: return "xz";
    case 96: return "jpeg";
    case 97: return "wavpack";
    case 98: return "ppmd";
    case 99: return "AES";
    default: return "method " + std::to_string(method);
  }
}

}  // namespace fmt::zip

#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wexmont::fuzz {

std::vector<std::string_view> SplitPieces(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t marker; (marker = input.find(kPieceMarker, start)) != std::string_view::npos;
       start = marker + kPieceMarker.size()) {
    pieces.push_back(input.substr(start, marker - start));
  }
  pieces.push_back(input.substr(start));
  return pieces;
}

void EnterWorkFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "wexmont-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
    std::abort();
  }
  static const std::filesystem::path folder = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  if (std::getenv("WEXMONT_FUZZ_VERBOSE") == nullptr) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace wexmont::fuzz

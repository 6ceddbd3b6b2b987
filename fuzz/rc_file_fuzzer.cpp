// The crossfade parameter reader and the check's notes on it. The whole
// input is wexmontrc.txt.
#include <cstdlib>

#include "foundation/console.h"
#include "fuzz/fuzz_support.h"
#include "project/crossfade_params.h"
#include "project/ignored_settings.h"

using namespace wexmont;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterWorkFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteBytes("wexmontrc.txt", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    // The file stands there, so it is read and never replaced by the template.
    const CrossfadeParams params = ReadCrossfadeParams(MissingParameterFile::kWriteTemplate);
    if (params.fileMissing) {
      std::abort();
    }
    for (const IgnoredSetting& setting :
         FindIgnoredSettings(params.text, static_cast<int32_t>(size % 4))) {
      if (setting.line == 0 || setting.lineText.find('\n') != std::string::npos) {
        std::abort();
      }
    }
  } catch (const RunStop&) {
  }
  return 0;
}

#include "project/crossfade_params.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "project/text_file.h"

namespace wexmont {

const char kParameterTemplate[] =
    "Parameters file for wexmont - remove parenthesis to use\n\nSet all tracks the same:\n"
    "(xf_all\t200\t1)\n\nTweak individual tracks\n(xf_tr\t1\t200\t1)\n";

namespace {

constexpr const char* kSeparators = "\t\n";

std::string_view NeedValue(Tokenizer& tokens, const char* keyword, const char* values) {
  const std::optional<std::string_view> value = tokens.Next(kSeparators);
  if (!value) {
    EndRun(">> %s: %s needs %s, exiting\n", kParameterFile, keyword, values);
  }
  return *value;
}

void WriteTemplate() {
  FileHandle file = FileHandle::CreateEmpty(kParameterFile);
  const auto text = std::span(reinterpret_cast<const uint8_t*>(kParameterTemplate),
                              std::strlen(kParameterTemplate));
  if (!file.IsOpen() || !file.WriteAt(0, text) || !file.Close()) {
    EndRun(">> Cannot write the template %s: %s, exiting\n", kParameterFile,
           FileErrorText(file.Error()).c_str());
  }
}

}  // namespace

ParameterWords ParseParameterText(std::string_view text) {
  ParameterWords words;
  Tokenizer tokens(text);
  while (const std::optional<std::string_view> token = tokens.Next(kSeparators)) {
    const size_t line = LineAt(text, tokens.LastStart());
    if (*token == "xf_tr") {
      const char* values = "a track number, a length and a type";
      const int32_t track = ToInt32(NeedValue(tokens, "xf_tr", values));
      if (track < 1 || track > static_cast<int32_t>(kCrossfadeSlots)) {
        EndRun(">> %s: xf_tr names track %d, tracks are numbered 1 to %zu, exiting\n",
               kParameterFile, track, kCrossfadeSlots);
      }
      const std::string_view length = NeedValue(tokens, "xf_tr", values);
      words.settings.push_back({line, track, length, NeedValue(tokens, "xf_tr", values)});
    } else if (*token == "xf_all") {
      const char* values = "a length and a type";
      const std::string_view length = NeedValue(tokens, "xf_all", values);
      words.settings.push_back({line, 0, length, NeedValue(tokens, "xf_all", values)});
    } else {
      words.others.push_back({line, *token});
    }
  }
  return words;
}

std::optional<std::string> ReadParameterText() {
  const std::optional<std::string> text = ReadWholeFile(kParameterFile, kParameterFileLimit);
  if (!text) {
    // A file that stands there but cannot be read is the user's: never
    // overwrite it with the template.
    if (!IsMissing(kParameterFile)) {
      EndRun(">> Cannot read %s: %s, exiting\n", kParameterFile, FileErrorText(ENOENT).c_str());
    }
    return std::nullopt;
  }
  return WithPlainLineEnds(*text);
}

CrossfadeChoice CrossfadeParams::OfTrack(size_t t) const {
  return tracks[t].type == 0 && all.type != 0 ? all : tracks[t];
}

CrossfadeParams ReadCrossfadeParams(MissingParameterFile whenMissing) {
  CrossfadeParams params;
  std::optional<std::string> text = ReadParameterText();
  if (!text) {
    if (whenMissing == MissingParameterFile::kWriteTemplate) {
      WriteTemplate();
    }
    params.fileMissing = true;
    return params;
  }
  params.text = std::move(*text);
  for (const CrossfadeSetting& setting : ParseParameterText(params.text).settings) {
    CrossfadeChoice& choice = setting.track == 0 ? params.all : params.tracks[setting.track - 1];
    choice.length = {ToFloat(setting.length), ParseDecimal(TrimSpaces(setting.length))};
    choice.type = ToInt32(setting.type);
  }
  return params;
}

}  // namespace wexmont

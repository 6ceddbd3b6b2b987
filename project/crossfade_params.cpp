#include "project/crossfade_params.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
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

constexpr const char* kMarkersKeyword = "markers";

// Only "1" and "0" are read: a value meant to switch the markers on that did
// not would leave the outputs without them and nobody the wiser.
bool MarkersValue(std::string_view word, size_t line) {
  const std::string_view value = TrimSpaces(word);
  if (value != "0" && value != "1") {
    EndRun(">> %s line %zu: markers takes 0 (off) or 1 (on), not \"%s\", exiting\n", kParameterFile,
           line, VisibleText(std::string(word)).c_str());
  }
  return value == "1";
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
    } else if (*token == kMarkersKeyword) {
      words.cutMarkers = MarkersValue(NeedValue(tokens, kMarkersKeyword, "0 or 1"), line);
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
  const ParameterWords words = ParseParameterText(params.text);
  params.cutMarkers = words.cutMarkers;
  for (const CrossfadeSetting& setting : words.settings) {
    CrossfadeChoice& choice = setting.track == 0 ? params.all : params.tracks[setting.track - 1];
    choice.length = {ToFloat(setting.length), ParseDecimal(TrimSpaces(setting.length))};
    choice.type = ToInt32(setting.type);
  }
  return params;
}

}  // namespace wexmont

#include "project/ignored_settings.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "project/crossfade_params.h"
#include "project/text_file.h"

namespace wexmont {
namespace {

constexpr std::string_view kKeywords[] = {"xf_all", "xf_tr", "markers"};

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lower;
}

// Why a word that is no keyword was meant as one, or nothing.
std::optional<std::string> WhyKeywordIsNotRead(std::string_view word) {
  const std::string_view trimmed = TrimSpaces(word);
  const std::string lower = LowerCase(trimmed);
  for (const std::string_view keyword : kKeywords) {
    if (!lower.starts_with(keyword)) {
      continue;
    }
    if (lower.size() > keyword.size() && lower[keyword.size()] == ' ') {
      return "is ignored: its values are separated by spaces, and only tabs separate them";
    }
    if (lower.size() != keyword.size()) {
      continue;
    }
    if (trimmed != keyword) {
      return "is ignored: the keywords are read only in lower case (xf_all, xf_tr, markers)";
    }
    return "is ignored: the keyword has spaces around it";
  }
  return std::nullopt;
}

std::string LineText(std::string_view text, size_t line) {
  size_t start = 0;
  for (size_t k = 1; k < line; ++k) {
    start = text.find('\n', start) + 1;
  }
  return std::string(text.substr(start, text.find('\n', start) - start));
}

std::string Quoted(std::string_view text) {
  // Appended piece by piece: g++ 12 at -O3 wrongly warns about overlapping
  // copies in a literal + string + literal expression.
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

// Values that read as nothing, and tracks beyond the track list.
void NoteUnreadValues(const CrossfadeSetting& setting, int32_t trackCount,
                      std::vector<std::pair<size_t, std::string>>& notes) {
  if (!ReadsAsNumber(setting.length)) {
    notes.emplace_back(setting.line, "has the length " + Quoted(setting.length) +
                                         ", which is not a number and counts as 0 ms");
  }
  if (!ReadsAsWholeNumber(setting.type)) {
    notes.emplace_back(setting.line, "has the type " + Quoted(setting.type) +
                                         ", which is not a number and counts as 0");
  }
  if (setting.track > trackCount) {
    notes.emplace_back(setting.line, "sets track " + std::to_string(setting.track) +
                                         ", but base.txt lists " + std::to_string(trackCount) +
                                         (trackCount == 1 ? " track" : " tracks"));
  }
}

// An xf_tr of type 0 does not switch a track's crossfade off while an xf_all
// of another type is set: the track takes the default.
void NoteTypeZeroUnderDefault(const ParameterWords& words, int32_t trackCount,
                              std::vector<std::pair<size_t, std::string>>& notes) {
  std::optional<CrossfadeSetting> fallback;
  std::map<int32_t, CrossfadeSetting> lastOfTrack;
  for (const CrossfadeSetting& setting : words.settings) {
    if (setting.track == 0) {
      fallback = setting;
    } else {
      lastOfTrack.insert_or_assign(setting.track, setting);
    }
  }
  if (!fallback || ToInt32(fallback->type) == 0) {
    return;
  }
  char defaultText[64];
  std::snprintf(defaultText, sizeof defaultText, "%.1f ms, type %d",
                static_cast<double>(ToFloat(fallback->length)), ToInt32(fallback->type));
  for (const auto& [track, setting] : lastOfTrack) {
    if (track <= trackCount && ToInt32(setting.type) == 0) {
      notes.emplace_back(setting.line, "gives track " + std::to_string(track) +
                                           " type 0, which takes the xf_all crossfade (" +
                                           defaultText + ") instead of none");
    }
  }
}

}  // namespace

std::vector<IgnoredSetting> FindIgnoredSettings(const std::string& text, int32_t trackCount) {
  const ParameterWords words = ParseParameterText(text);
  std::vector<std::pair<size_t, std::string>> notes;
  for (const OtherWord& word : words.others) {
    if (std::optional<std::string> why = WhyKeywordIsNotRead(word.text)) {
      notes.emplace_back(word.line, std::move(*why));
    }
  }
  for (const CrossfadeSetting& setting : words.settings) {
    NoteUnreadValues(setting, trackCount, notes);
  }
  NoteTypeZeroUnderDefault(words, trackCount, notes);
  std::stable_sort(notes.begin(), notes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<IgnoredSetting> ignored;
  for (auto& [line, why] : notes) {
    ignored.push_back({line, LineText(text, line), std::move(why)});
  }
  return ignored;
}

}  // namespace wexmont

#include "xfade/pcm_codec.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace wexmont {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& text) {
  std::istringstream in(text);
  Bytes bytes;
  for (int byte; in >> std::hex >> byte;)
    bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

struct Column {
  int32_t width;
  const char* hex;  // the samples one after another, in file order
  std::vector<int32_t> values;
};

TEST(PcmCodec, DecodesOntoTheTwentyFourBitScale) {
  const Column cases[] = {
      {2, "FF 7F 00 80 FF FF 00 01 80 FF", {8388352, -8388608, -256, 65536, -32768}},
      {3,
       "FF FF 7F 00 00 80 FF FF FF 12 34 56 AB CD EF",
       {8388607, -8388608, -1, 5649426, -1061461}}};
  for (const Column& c : cases) {
    const int32_t count = static_cast<int32_t>(c.values.size());
    std::vector<int32_t> mono(count), left(2), right(2);
    DecodeMono(Hex(c.hex), mono, c.width, count);
    DecodeStereo(Hex(c.hex), left, right, c.width, 2);
    EXPECT_EQ(mono, c.values);
    EXPECT_EQ(left, (std::vector{c.values[0], c.values[2]}));
    EXPECT_EQ(right, (std::vector{c.values[1], c.values[3]}));
  }
}

TEST(PcmCodec, EncodesTheLowBitsOfEachValue) {
  const Column cases[] = {
      {2, "FF 7F 00 80 FF FF 00 00 40 9C 7F FF", {32767, -32768, 65535, 65536, 40000, -129}},
      {3,
       "FF FF 7F 00 00 80 00 00 00 00 00 80 7F FF FF FF FF FF",
       {8388607, -8388608, 16777216, 8388608, -129, -1}}};
  for (const Column& c : cases) {
    const int32_t count = static_cast<int32_t>(c.values.size());
    const auto& v = c.values;
    Bytes mono(count * c.width), stereo(count * c.width);
    (c.width == 3 ? EncodeMono24 : EncodeMono16)(v, mono, count);
    (c.width == 3 ? EncodeStereo24 : EncodeStereo16)(std::vector{v[0], v[2], v[4]},
                                                     std::vector{v[1], v[3], v[5]}, stereo, 3);
    EXPECT_EQ(mono, Hex(c.hex));
    EXPECT_EQ(stereo, Hex(c.hex));
  }
}

TEST(PcmCodec, ACountOfZeroTouchesNothing) {
  Bytes bytes(12, 0xAA);
  std::vector<int32_t> left(2, 7), right(2, 7);
  DecodeMono(bytes, left, 3, 0);
  DecodeStereo(bytes, left, right, 2, 0);
  EncodeMono16(left, bytes, 0);
  EncodeMono24(left, bytes, 0);
  EncodeStereo16(left, right, bytes, 0);
  EncodeStereo24(left, right, bytes, 0);
  EXPECT_EQ(bytes, Bytes(12, 0xAA));
  EXPECT_EQ(left, right);
  EXPECT_EQ(left, std::vector<int32_t>(2, 7));
}

}  // namespace
}  // namespace wexmont

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "tests/support/mix_oracle.h"

namespace wexmont {
namespace {

// The codec of the mix oracle, against the bytes.

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& text) {
  std::istringstream in(text);
  Bytes bytes;
  for (int byte; in >> std::hex >> byte;)
    bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

struct Column {
  SampleCoding coding;
  const char* hex;  // the samples one after another, in file order
  std::vector<double> values;
};

constexpr SampleKind kInteger = SampleKind::kInteger;

// Interleaved frames decode like single samples, whatever the channel count.
TEST(PcmCodec, DecodesIntegersOntoTheTwentyFourBitScaleAndFloatsAsTheyAre) {
  const Column cases[] = {
      {{2, kInteger}, "FF 7F 00 80 FF FF 00 01 80 FF", {8388352, -8388608, -256, 65536, -32768}},
      {{3, kInteger},
       "FF FF 7F 00 00 80 FF FF FF 12 34 56 AB CD EF",
       {8388607, -8388608, -1, 5649426, -1061461}},
      {{4, kInteger},
       "FF FF FF 7F 00 00 00 80 FF FF FF FF 12 34 56 78",
       {2147483647, -2147483648.0, -1, 2018915346}},
      {{4, SampleKind::kFloat},
       "00 00 80 3F 00 00 C0 BF 00 00 00 40 00 00 00 00",
       {1.0, -1.5, 2.0, 0.0}}};
  for (const Column& c : cases) {
    const int32_t count = static_cast<int32_t>(c.values.size());
    std::vector<double> samples(count);
    oracle::DecodeSamples(Hex(c.hex), samples, c.coding, count);
    EXPECT_EQ(samples, c.values) << c.hex;
  }
}

TEST(PcmCodec, EncodesTheLowBitsOfEachIntegerAndTheNearestFloat) {
  const Column cases[] = {{{2, kInteger},
                           "FF 7F 00 80 FF FF 00 00 40 9C 7F FF",
                           {32767, -32768, 65535, 65536, 40000, -129}},
                          {{3, kInteger},
                           "FF FF 7F 00 00 80 00 00 00 00 00 80 7F FF FF FF FF FF",
                           {8388607, -8388608, 16777216, 8388608, -129, -1}},
                          {{4, kInteger},
                           "FF FF FF 7F 00 00 00 80 00 00 00 00 00 00 00 80 7F FF FF FF",
                           {2147483647, -2147483648.0, 4294967296.0, 2147483648.0, -129}},
                          {{4, SampleKind::kFloat},
                           "00 00 80 3F 00 00 C0 BF CD CC CC 3D 00 00 40 C0",
                           {1.0, -1.5, 0.1, -3.0}}};
  for (const Column& c : cases) {
    const int32_t count = static_cast<int32_t>(c.values.size());
    Bytes bytes(count * c.coding.bytesPerSample);
    oracle::EncodeSamples(c.values, bytes, c.coding, count);
    EXPECT_EQ(bytes, Hex(c.hex)) << c.hex;
  }
}

TEST(PcmCodec, ACountOfZeroTouchesNothing) {
  Bytes bytes(12, 0xAA);
  std::vector<double> samples(2, 7);
  for (const SampleCoding coding :
       {SampleCoding{2, kInteger}, SampleCoding{3, kInteger}, SampleCoding{4, kInteger},
        SampleCoding{4, SampleKind::kFloat}}) {
    oracle::DecodeSamples(bytes, samples, coding, 0);
    oracle::EncodeSamples(samples, bytes, coding, 0);
  }
  EXPECT_EQ(bytes, Bytes(12, 0xAA));
  EXPECT_EQ(samples, std::vector<double>(2, 7));
}

}  // namespace
}  // namespace wexmont

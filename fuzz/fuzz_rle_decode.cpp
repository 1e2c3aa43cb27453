// Any bytes as RLE data: decoding must end with output of at most 255 bytes
// per input byte, never crash or read out of bounds; and any bytes as plain
// data must come back unchanged through the encoder and decoder.
//
// Input: 1 control byte (low 7 bits: the progress call that cancels, 0 for
// none), then the data.

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "compress/codec_context.h"
#include "platform/stream.h"

namespace {

using vk::compress::CodecDirection;
using vk::compress::MethodKind;
using vk::compress::RunCodec;
using vk::compress::TShowProgressEvent;
using Bytes = std::vector<std::uint8_t>;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int cancel_at = data[0] & 0x7F;
  const Bytes payload(data + 1, data + size);
  const auto payload_size = static_cast<std::int32_t>(payload.size());

  int calls = 0;
  const TShowProgressEvent progress = [&](std::int32_t& percent) {
    Check(percent >= 0 && percent <= 100);
    if (++calls == cancel_at) percent = -1;
  };

  {
    vk::platform::TMemoryStream source(payload);
    vk::platform::TMemoryStream dest;
    const auto result = RunCodec(progress, dest, source, CodecDirection::kExpanding,
                                 MethodKind::mkRLE, 0, payload_size);
    const Bytes& output = dest.Data();
    Check(output.size() <= payload.size() * 255);
    Check(result.checksum == std::accumulate(output.begin(), output.end(), std::uint32_t{0}));
    Check(source.Position() <= payload_size);
  }

  vk::platform::TMemoryStream plain(payload);
  vk::platform::TMemoryStream coded;
  const auto encoded = RunCodec(nullptr, coded, plain, CodecDirection::kCompressing,
                                MethodKind::mkRLE, 0, payload_size);
  // At worst every byte is the marker and takes two.
  Check(coded.Data().size() <= payload.size() * 2);
  vk::platform::TMemoryStream coded_source(coded.Data());
  vk::platform::TMemoryStream decoded;
  const auto restored = RunCodec(nullptr, decoded, coded_source, CodecDirection::kExpanding,
                                 MethodKind::mkRLE, 0, encoded.output_count);
  Check(decoded.Data() == payload);
  Check(restored.checksum == encoded.checksum);
  return 0;
}

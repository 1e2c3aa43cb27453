// Any bytes as LZH data: decoding must end with the asked size (at most one
// match more), never crash, hang or read out of bounds; and any bytes as
// plain data must come back unchanged through the encoder and decoder.
//
// Input: 3 bytes of expanded size (at most 64 KiB, so a run stays short),
// 1 control byte (low 7 bits: the progress call that cancels, 0 for none),
// then the data.

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
  if (size < 4) return 0;
  const std::int32_t expanded_size = (data[0] | data[1] << 8 | data[2] << 16) & 0xFFFF;
  const int cancel_at = data[3] & 0x7F;
  const Bytes payload(data + 4, data + size);
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
                                 MethodKind::mkLZH, expanded_size, payload_size);
    const Bytes& output = dest.Data();
    Check(output.size() >= static_cast<std::size_t>(expanded_size));
    Check(output.size() < static_cast<std::size_t>(expanded_size) + 60);
    Check(result.checksum == std::accumulate(output.begin(), output.end(), std::uint32_t{0}));
    Check(source.Position() <= payload_size);
  }

  vk::platform::TMemoryStream plain(payload);
  vk::platform::TMemoryStream coded;
  const auto encoded = RunCodec(nullptr, coded, plain, CodecDirection::kCompressing,
                                MethodKind::mkLZH, 0, payload_size);
  Check(encoded.output_count == static_cast<std::int32_t>(coded.Data().size()));
  vk::platform::TMemoryStream coded_source(coded.Data());
  vk::platform::TMemoryStream decoded;
  const auto restored = RunCodec(nullptr, decoded, coded_source, CodecDirection::kExpanding,
                                 MethodKind::mkLZH, payload_size, encoded.output_count);
  Check(decoded.Data() == payload);
  Check(restored.checksum == encoded.checksum);
  return 0;
}

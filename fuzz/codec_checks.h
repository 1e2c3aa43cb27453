#pragma once
// What the codec fuzz targets check for every method: expanding any bytes
// gives a checksum of what it wrote, reads no more than it was given and
// reports percentages from 0 to 100, also when a progress call cancels;
// and any bytes come back unchanged through the encoder and the decoder.
//
// A failed check aborts, so libFuzzer and the replay program report the
// input.

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "compress/codec_context.h"
#include "platform/stream.h"

namespace vk::fuzz {

using Bytes = std::vector<std::uint8_t>;

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Expands payload as data of the method into expanded_size bytes; the
// progress call numbered cancel_at cancels (0: none). What it wrote.
inline Bytes ExpandAnyBytes(compress::MethodKind method, const Bytes& payload,
                            std::int32_t expanded_size, int cancel_at) {
  const auto payload_size = static_cast<std::int32_t>(payload.size());
  int calls = 0;
  const compress::TShowProgressEvent progress = [&](std::int32_t& percent) {
    Check(percent >= 0 && percent <= 100);
    if (++calls == cancel_at) percent = -1;
  };
  platform::TMemoryStream source(payload);
  platform::TMemoryStream dest;
  const auto result =
      compress::RunCodec(progress, dest, source, compress::CodecDirection::kExpanding, method,
                         expanded_size, payload_size);
  const Bytes& output = dest.Data();
  Check(result.checksum == std::accumulate(output.begin(), output.end(), std::uint32_t{0}));
  Check(source.Position() <= payload_size);
  return output;
}

// Compresses payload and expands it again: the same bytes with the same
// checksum. The compressed bytes.
inline Bytes CheckRoundTrip(compress::MethodKind method, const Bytes& payload) {
  const auto payload_size = static_cast<std::int32_t>(payload.size());
  platform::TMemoryStream plain(payload);
  platform::TMemoryStream coded;
  const auto encoded = compress::RunCodec(
      nullptr, coded, plain, compress::CodecDirection::kCompressing, method, 0, payload_size);
  Check(encoded.output_count == static_cast<std::int32_t>(coded.Data().size()));
  platform::TMemoryStream coded_source(coded.Data());
  platform::TMemoryStream decoded;
  const auto restored =
      compress::RunCodec(nullptr, decoded, coded_source, compress::CodecDirection::kExpanding,
                         method, payload_size, encoded.output_count);
  Check(decoded.Data() == payload);
  Check(restored.checksum == encoded.checksum);
  return coded.Data();
}

}  // namespace vk::fuzz

// Any bytes as LZH data: decoding must end with the asked size (at most one
// match more), never crash, hang or read out of bounds; and any bytes as
// plain data must come back unchanged through the encoder and decoder.
//
// Input: 3 bytes of expanded size (at most 64 KiB, so a run stays short),
// 1 control byte (low 7 bits: the progress call that cancels, 0 for none),
// then the data.

#include <cstdint>

#include "fuzz/codec_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vk::fuzz::Check;
  if (size < 4) return 0;
  const std::int32_t expanded_size = (data[0] | data[1] << 8 | data[2] << 16) & 0xFFFF;
  const int cancel_at = data[3] & 0x7F;
  const vk::fuzz::Bytes payload(data + 4, data + size);

  const vk::fuzz::Bytes output =
      vk::fuzz::ExpandAnyBytes(vk::compress::MethodKind::mkLZH, payload, expanded_size, cancel_at);
  Check(output.size() >= static_cast<std::size_t>(expanded_size));
  Check(output.size() < static_cast<std::size_t>(expanded_size) + 60);

  vk::fuzz::CheckRoundTrip(vk::compress::MethodKind::mkLZH, payload);
  return 0;
}

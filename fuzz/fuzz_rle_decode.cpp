// Any bytes as RLE data: decoding must end with output of at most 255 bytes
// per input byte, never crash or read out of bounds; and any bytes as plain
// data must come back unchanged through the encoder and decoder.
//
// Input: 1 control byte (low 7 bits: the progress call that cancels, 0 for
// none), then the data.

#include <cstdint>

#include "fuzz/codec_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vk::fuzz::Check;
  if (size < 1) return 0;
  const int cancel_at = data[0] & 0x7F;
  const vk::fuzz::Bytes payload(data + 1, data + size);

  const vk::fuzz::Bytes output =
      vk::fuzz::ExpandAnyBytes(vk::compress::MethodKind::mkRLE, payload, 0, cancel_at);
  Check(output.size() <= payload.size() * 255);

  // At worst every byte is the marker and takes two.
  Check(vk::fuzz::CheckRoundTrip(vk::compress::MethodKind::mkRLE, payload).size() <=
        payload.size() * 2);
  return 0;
}

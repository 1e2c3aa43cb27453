#pragma once
// How an archive entry's data is stored. The value is the entry header's
// method byte, so the numbers are part of the archive format.

#include <cstdint>

namespace vk::compress {

enum class MethodKind : std::uint8_t {
  mkStored = 0,  // "NON": the data as is
  mkRLE = 1,     // "RLE": run-length code with the escape byte 94h
  mkLZH = 2,     // "LZH": sliding window with adaptive Huffman code
  mkCustom = 3,  // "CUS" or an id accepted by OnRecognize; expanded by OnExpand
};

}  // namespace vk::compress

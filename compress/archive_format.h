#pragma once
// The archive file: a 21-byte ArchiveHeader, then entries, each a 25-byte
// EntryHeader, its name and its data, up to the end of the file. There is
// no entry count and no trailer. Integers are little-endian; names are
// Windows-1252 and may hold folder parts separated by "\".

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compress/method_kind.h"
#include "platform/stream.h"

namespace vk::compress {

inline constexpr std::array<std::uint8_t, 5> kArchiveSignature = {0x53, 0x50, 0x49, 0x53, 0x1A};
inline constexpr std::int32_t kArchiveHeaderSize = 21;
inline constexpr std::int32_t kEntryHeaderSize = 25;
// The only archive type the expander reads: many files in one archive.
inline constexpr std::uint8_t kMultiFileArchive = 1;

struct ArchiveHeader {
  std::array<std::uint8_t, 5> Signature = kArchiveSignature;
  // Three characters: "LZH", "RLE", "NON", "CUS" or a custom id.
  std::string CompressID = "NON";
  // The sum of the ExpandedSize of all entries; the walk stops once it has
  // written this much.
  std::int32_t TotalSize = 0;
  std::uint8_t ArchiveType = kMultiFileArchive;
  std::array<std::uint8_t, 8> Reserved{};
};

struct EntryHeader {
  std::int16_t NameLength = 0;
  // MS-DOS date (high word) and time (low word), local time.
  std::uint32_t FileDate = 0;
  std::uint16_t FileAttr = 0;
  std::int32_t ExpandedSize = 0;
  std::int32_t CompressedSize = 0;
  // The raw method byte: damaged archives may hold values above mkCustom.
  std::uint8_t MethodKind = 0;
  // Byte sum of the expanded data, plus the key for a locked entry.
  std::uint32_t Checksum = 0;
  // Locked when greater than zero.
  std::int32_t LockFlag = 0;

  bool Locked() const { return LockFlag > 0; }
  std::uint16_t DosDate() const { return static_cast<std::uint16_t>(FileDate >> 16); }
  std::uint16_t DosTime() const { return static_cast<std::uint16_t>(FileDate & 0xFFFF); }
};

std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const ArchiveHeader& header);
ArchiveHeader DecodeArchiveHeader(const std::array<std::uint8_t, kArchiveHeaderSize>& bytes);
std::array<std::uint8_t, kEntryHeaderSize> EncodeEntryHeader(const EntryHeader& header);
EntryHeader DecodeEntryHeader(const std::array<std::uint8_t, kEntryHeaderSize>& bytes);

// Reads the archive header from the stream's start. Raises EInvalidHeader
// when the file is shorter than the header or lacks the signature, and
// EInvalidHeaderArchiveType for any type but the multi-file one. The
// method id is left to the caller to judge.
ArchiveHeader ReadArchiveHeader(vk::platform::TStream& archive);

// Reads one entry header and its name from the stream's position. False
// when either comes up short: the archive ends there.
bool ReadEntryHeader(vk::platform::TStream& archive, EntryHeader& header, std::string& name);

// Raises EInvalidHeader for a negative name length or size. No writer makes
// them, and skipping a negative size would send the walk backwards, round
// and round the same entries.
void CheckEntryHeader(const EntryHeader& header);

// The id of a method kind: "NON", "RLE", "LZH", "CUS".
std::string_view MethodId(MethodKind kind);
// The method byte as a person reads it: the id, or "?" and the number.
std::string DescribeMethodByte(std::uint8_t method);

struct DosDateTime {
  int year = 1980;  // 1980 to 2107
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;  // even
};
std::uint32_t PackDosDateTime(const DosDateTime& value);
DosDateTime UnpackDosDateTime(std::uint32_t fileDate);
// The DOS stamp of a host time, read as local time; times before 1980 give
// 1980-01-01 00:00:00, times after 2107 the last representable second.
std::uint32_t DosDateTimeFromUnix(std::int64_t seconds);

}  // namespace vk::compress

#include "compress/archive_format.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "compress/archive_exceptions.h"

namespace vk::compress {
namespace {

template <typename T>
void Put(std::uint8_t* at, T value) {
  auto bits = static_cast<std::make_unsigned_t<T>>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

template <typename T>
T Get(const std::uint8_t* at) {
  std::make_unsigned_t<T> bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    bits = static_cast<std::make_unsigned_t<T>>(bits | (std::make_unsigned_t<T>{at[i]} << (8 * i)));
  }
  return static_cast<T>(bits);
}

}  // namespace

std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const ArchiveHeader& header) {
  std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
  std::copy(header.Signature.begin(), header.Signature.end(), bytes.begin());
  for (std::size_t i = 0; i < 3; ++i) {
    bytes[5 + i] =
        i < header.CompressID.size() ? static_cast<std::uint8_t>(header.CompressID[i]) : 0;
  }
  Put<std::int32_t>(&bytes[8], header.TotalSize);
  bytes[12] = header.ArchiveType;
  std::copy(header.Reserved.begin(), header.Reserved.end(), bytes.begin() + 13);
  return bytes;
}

ArchiveHeader DecodeArchiveHeader(const std::array<std::uint8_t, kArchiveHeaderSize>& bytes) {
  ArchiveHeader header;
  std::copy(bytes.begin(), bytes.begin() + 5, header.Signature.begin());
  header.CompressID.assign(reinterpret_cast<const char*>(&bytes[5]), 3);
  header.TotalSize = Get<std::int32_t>(&bytes[8]);
  header.ArchiveType = bytes[12];
  std::copy(bytes.begin() + 13, bytes.end(), header.Reserved.begin());
  return header;
}

std::array<std::uint8_t, kEntryHeaderSize> EncodeEntryHeader(const EntryHeader& header) {
  std::array<std::uint8_t, kEntryHeaderSize> bytes{};
  Put<std::int16_t>(&bytes[0], header.NameLength);
  Put<std::uint32_t>(&bytes[2], header.FileDate);
  Put<std::uint16_t>(&bytes[6], header.FileAttr);
  Put<std::int32_t>(&bytes[8], header.ExpandedSize);
  Put<std::int32_t>(&bytes[12], header.CompressedSize);
  bytes[16] = header.MethodKind;
  Put<std::uint32_t>(&bytes[17], header.Checksum);
  Put<std::int32_t>(&bytes[21], header.LockFlag);
  return bytes;
}

EntryHeader DecodeEntryHeader(const std::array<std::uint8_t, kEntryHeaderSize>& bytes) {
  EntryHeader header;
  header.NameLength = Get<std::int16_t>(&bytes[0]);
  header.FileDate = Get<std::uint32_t>(&bytes[2]);
  header.FileAttr = Get<std::uint16_t>(&bytes[6]);
  header.ExpandedSize = Get<std::int32_t>(&bytes[8]);
  header.CompressedSize = Get<std::int32_t>(&bytes[12]);
  header.MethodKind = bytes[16];
  header.Checksum = Get<std::uint32_t>(&bytes[17]);
  header.LockFlag = Get<std::int32_t>(&bytes[21]);
  return header;
}

ArchiveHeader ReadArchiveHeader(vk::platform::TStream& archive) {
  archive.SetPosition(0);
  std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
  if (archive.Read(bytes.data(), kArchiveHeaderSize) != kArchiveHeaderSize) throw EInvalidHeader();
  ArchiveHeader header = DecodeArchiveHeader(bytes);
  if (header.Signature != kArchiveSignature) throw EInvalidHeader();
  if (header.ArchiveType != kMultiFileArchive) throw EInvalidHeaderArchiveType();
  return header;
}

bool ReadEntryHeader(vk::platform::TStream& archive, EntryHeader& header, std::string& name) {
  std::array<std::uint8_t, kEntryHeaderSize> bytes{};
  if (archive.Read(bytes.data(), kEntryHeaderSize) != kEntryHeaderSize) return false;
  EntryHeader read = DecodeEntryHeader(bytes);
  // At most 32767 bytes: the name length is a 16-bit field. A negative
  // length reads nothing; CheckEntryHeader rejects it where it matters.
  std::string readName(static_cast<std::size_t>(std::max<std::int16_t>(read.NameLength, 0)), '\0');
  const auto wanted = static_cast<std::int32_t>(readName.size());
  if (wanted > 0 && archive.Read(readName.data(), wanted) != wanted) return false;
  header = read;
  name = std::move(readName);
  return true;
}

void CheckEntryHeader(const EntryHeader& header) {
  if (header.NameLength < 0 || header.ExpandedSize < 0 || header.CompressedSize < 0) {
    throw EInvalidHeader();
  }
}

std::string_view MethodId(MethodKind kind) {
  switch (kind) {
    case MethodKind::mkStored:
      return "NON";
    case MethodKind::mkRLE:
      return "RLE";
    case MethodKind::mkLZH:
      return "LZH";
    case MethodKind::mkCustom:
      return "CUS";
  }
  return "?";
}

std::string DescribeMethodByte(std::uint8_t method) {
  if (method <= static_cast<std::uint8_t>(MethodKind::mkCustom)) {
    return std::string(MethodId(static_cast<MethodKind>(method)));
  }
  return "?" + std::to_string(method);
}

std::uint32_t PackDosDateTime(const DosDateTime& value) {
  auto date = static_cast<std::uint32_t>(((value.year - 1980) & 0x7F) << 9 |
                                         (value.month & 0x0F) << 5 | (value.day & 0x1F));
  auto time = static_cast<std::uint32_t>((value.hour & 0x1F) << 11 | (value.minute & 0x3F) << 5 |
                                         ((value.second / 2) & 0x1F));
  return date << 16 | time;
}

DosDateTime UnpackDosDateTime(std::uint32_t fileDate) {
  const std::uint32_t date = fileDate >> 16;
  const std::uint32_t time = fileDate & 0xFFFF;
  DosDateTime value;
  value.year = 1980 + static_cast<int>(date >> 9);
  value.month = static_cast<int>((date >> 5) & 0x0F);
  value.day = static_cast<int>(date & 0x1F);
  value.hour = static_cast<int>(time >> 11);
  value.minute = static_cast<int>((time >> 5) & 0x3F);
  value.second = static_cast<int>((time & 0x1F) * 2);
  return value;
}

std::uint32_t DosDateTimeFromUnix(std::int64_t seconds) {
  const auto stamp = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&stamp, &local) == nullptr || local.tm_year < 80) {
    return PackDosDateTime({});
  }
  if (local.tm_year > 207) return PackDosDateTime({2107, 12, 31, 23, 59, 58});
  return PackDosDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec});
}

}  // namespace vk::compress

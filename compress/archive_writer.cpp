#include "compress/archive_writer.h"

#include <sys/stat.h>

#include <limits>
#include <numeric>
#include <vector>

#include "platform/file_system.h"

namespace vk::compress {

using vk::platform::SeekOrigin;
using vk::platform::TStream;

namespace {

constexpr std::int64_t kLargestSize = std::numeric_limits<std::int32_t>::max();
constexpr std::uint16_t kArchiveAttribute = 0x20;
// The attribute bits an entry keeps; the directory and "normal" bits mean
// nothing for a file's data.
constexpr std::uint16_t kEntryAttributes = 0x01 | 0x02 | 0x04 | 0x20;

void WriteBytes(TStream& stream, const void* data, std::size_t size) {
  stream.WriteBuffer(data, static_cast<std::int32_t>(size));
}

}  // namespace

ArchiveWriter::ArchiveWriter(TStream& archive, std::string_view compressId)
    : archive_(archive), start_(archive.Position()) {
  if (compressId.size() != 3) {
    throw EArchiveWriteError("An archive method id has three characters: " +
                             std::string(compressId));
  }
  header_.CompressID = compressId;
  const auto bytes = EncodeArchiveHeader(header_);
  WriteBytes(archive_, bytes.data(), bytes.size());
}

void ArchiveWriter::CheckName(std::string_view name) const {
  if (name.empty()) throw EArchiveWriteError("An archive entry needs a name");
  if (name.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw EArchiveWriteError(
        "Entry name longer than 32767 bytes: " + std::string(name.substr(0, 60)) + "...");
  }
}

void ArchiveWriter::CheckRoomFor(std::int64_t expandedSize) const {
  if (total_size_ + expandedSize > kLargestSize) {
    throw EArchiveWriteError("Archive would hold more than 2147483647 bytes of files");
  }
}

EntryHeader ArchiveWriter::AddEntry(std::string_view name, std::span<const std::uint8_t> data,
                                    const ArchiveEntryOptions& options) {
  vk::platform::TMemoryStream source(std::vector<std::uint8_t>(data.begin(), data.end()));
  return AddEntry(name, source, static_cast<std::int64_t>(data.size()), options);
}

EntryHeader ArchiveWriter::AddEntry(std::string_view name, TStream& source, std::int64_t size,
                                    const ArchiveEntryOptions& options) {
  CheckName(name);
  if (size < 0 || size > kLargestSize) {
    throw EArchiveWriteError("File too large for an archive (" + std::to_string(size) +
                             " bytes): " + std::string(name));
  }
  if (options.method == MethodKind::mkCustom) {
    throw EArchiveWriteError("The archive writer has no custom method");
  }
  // Checked before anything is written, so a refused entry leaves the
  // archive as it was.
  CheckRoomFor(size);

  EntryHeader entry;
  entry.NameLength = static_cast<std::int16_t>(name.size());
  entry.FileDate = options.fileDate.value_or(PackDosDateTime({}));
  entry.FileAttr = options.fileAttr.value_or(kArchiveAttribute);
  entry.ExpandedSize = static_cast<std::int32_t>(size);
  entry.MethodKind = static_cast<std::uint8_t>(options.method);
  entry.LockFlag = options.key ? 1 : 0;

  // The header goes first with the sizes still open, then the data, then
  // the header again with what compressing found.
  const std::int64_t headerAt = archive_.Position();
  auto bytes = EncodeEntryHeader(entry);
  WriteBytes(archive_, bytes.data(), bytes.size());
  WriteBytes(archive_, name.data(), name.size());

  const std::int64_t sourceStart = source.Position();
  std::uint32_t sum = 0;
  std::int64_t compressedSize = 0;
  if (options.method == MethodKind::mkStored) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min<std::int64_t>(size, 61440)));
    for (std::int64_t left = size; left > 0;) {
      const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(left, 61440));
      source.ReadBuffer(block.data(), count);
      sum = std::accumulate(block.begin(), block.begin() + count, sum);
      archive_.WriteBuffer(block.data(), count);
      left -= count;
    }
    compressedSize = size;
  } else {
    const CodecResult result =
        RunCodec(OnShowProgress, archive_, source, CodecDirection::kCompressing, options.method,
                 entry.ExpandedSize, entry.ExpandedSize);
    sum = result.checksum;
    compressedSize = archive_.Position() - headerAt - kEntryHeaderSize - entry.NameLength;
  }
  if (source.Position() - sourceStart != size) {
    // The file shrank while it was read: its header would lie.
    throw vk::platform::EReadError();
  }
  if (compressedSize > kLargestSize) {
    throw EArchiveWriteError("Compressed data too large for an archive: " + std::string(name));
  }
  entry.CompressedSize = static_cast<std::int32_t>(compressedSize);
  entry.Checksum = sum + static_cast<std::uint32_t>(options.key.value_or(0));

  const std::int64_t end = archive_.Position();
  archive_.SetPosition(headerAt);
  bytes = EncodeEntryHeader(entry);
  WriteBytes(archive_, bytes.data(), bytes.size());
  archive_.SetPosition(end);
  total_size_ += size;
  return entry;
}

EntryHeader ArchiveWriter::AddFile(vk::platform::FileSystem& files, std::string_view path,
                                   std::string_view name, const ArchiveEntryOptions& options) {
  vk::platform::TFileStream source(files, path, vk::platform::FileMode::kOpenRead);
  ArchiveEntryOptions resolved = options;
  if (!resolved.fileDate) {
    struct stat info {};
    const auto host = files.HostPath(path);
    resolved.fileDate = host && ::stat(host->c_str(), &info) == 0
                            ? DosDateTimeFromUnix(info.st_mtim.tv_sec)
                            : PackDosDateTime({});
  }
  if (!resolved.fileAttr) {
    const std::uint32_t attributes = files.GetFileAttributes(path);
    resolved.fileAttr = attributes == vk::platform::kInvalidFileAttributes
                            ? kArchiveAttribute
                            : static_cast<std::uint16_t>(attributes & kEntryAttributes);
  }
  return AddEntry(name, source, source.Size(), resolved);
}

void ArchiveWriter::AddRawEntry(const EntryHeader& header, std::string_view name,
                                std::span<const std::uint8_t> data) {
  const auto bytes = EncodeEntryHeader(header);
  WriteBytes(archive_, bytes.data(), bytes.size());
  WriteBytes(archive_, name.data(), name.size());
  WriteBytes(archive_, data.data(), data.size());
  raw_total_size_ += header.ExpandedSize;
}

void ArchiveWriter::Finish(std::optional<std::int32_t> totalSize) {
  if (!totalSize) CheckRoomFor(0);
  header_.TotalSize =
      totalSize.value_or(static_cast<std::int32_t>(static_cast<std::uint32_t>(TotalSize())));
  const std::int64_t end = archive_.Position();
  archive_.SetPosition(start_);
  const auto bytes = EncodeArchiveHeader(header_);
  WriteBytes(archive_, bytes.data(), bytes.size());
  archive_.SetPosition(end);
}

}  // namespace vk::compress

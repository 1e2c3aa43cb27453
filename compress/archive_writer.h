#pragma once
// Writes multi-file archives that TArchiver expands: the archive header,
// then per entry its header, name and data, stored or compressed with RLE
// or LZH and optionally locked with a key. TotalSize is written when the
// archive is finished, as the sum of the entries' expanded sizes.
//
//   ArchiveWriter writer(stream, "LZH");
//   writer.AddEntry("readme.txt", bytes, {.method = MethodKind::mkLZH});
//   writer.AddFile(files, "C:\\src\\app.exe", "bin\\app.exe", {});
//   writer.Finish();

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compress/archive_format.h"
#include "compress/codec_context.h"
#include "compress/method_kind.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace vk::platform {
class FileSystem;
}

namespace vk::compress {

// An archive cannot be written as asked: a bad name, data beyond the
// format's 32-bit sizes, or a source that came up short.
class EArchiveWriteError : public vk::platform::Exception {
  using Exception::Exception;
};

struct ArchiveEntryOptions {
  MethodKind method = MethodKind::mkLZH;
  // MS-DOS date and time (PackDosDateTime); AddFile takes the file's own
  // when this is empty.
  std::optional<std::uint32_t> fileDate;
  // Windows attribute bits; AddFile takes the file's own when empty, memory
  // entries get the archive bit.
  std::optional<std::uint16_t> fileAttr;
  // Locks the entry: the stored checksum is the byte sum plus this key.
  std::optional<std::int32_t> key;
};

class ArchiveWriter {
 public:
  // Starts an archive at the stream's current position (normally an empty
  // stream). compressId names the archive's method: "LZH", "RLE" or "NON".
  explicit ArchiveWriter(vk::platform::TStream& archive, std::string_view compressId = "LZH");

  // Receives the percentage of each compressed entry's input read so far.
  TShowProgressEvent OnShowProgress;

  EntryHeader AddEntry(std::string_view name, std::span<const std::uint8_t> data,
                       const ArchiveEntryOptions& options = {});
  // size bytes of source from its position.
  EntryHeader AddEntry(std::string_view name, vk::platform::TStream& source, std::int64_t size,
                       const ArchiveEntryOptions& options = {});
  // A file named by a path of the file functions, with its date and
  // attributes unless the options give them.
  EntryHeader AddFile(vk::platform::FileSystem& files, std::string_view path, std::string_view name,
                      const ArchiveEntryOptions& options = {});
  // Writes an entry exactly as given, whatever its fields say: for tools and
  // tests that need damaged archives. It counts towards TotalSize (which
  // then wraps like the 32-bit field) but not towards the 2 GB check.
  void AddRawEntry(const EntryHeader& header, std::string_view name,
                   std::span<const std::uint8_t> data);

  // Writes TotalSize into the archive header; totalSize replaces the sum
  // (again for damaged archives). The stream is left at the archive's end.
  void Finish(std::optional<std::int32_t> totalSize = std::nullopt);

  std::int64_t TotalSize() const { return total_size_ + raw_total_size_; }

  // An exception while an entry is written leaves the archive incomplete;
  // write to a temporary file and keep it only when Finish returns.

 private:
  void CheckName(std::string_view name) const;
  void CheckRoomFor(std::int64_t expandedSize) const;

  vk::platform::TStream& archive_;
  std::int64_t start_;
  ArchiveHeader header_;
  std::int64_t total_size_ = 0;
  std::int64_t raw_total_size_ = 0;
};

}  // namespace vk::compress

#pragma once
// TArchiver turns archives back into files: it opens an archive, walks its
// entries, chooses which to expand and where, checks free space, creates
// folders, runs each entry's decoder, verifies checksum and lock key, and
// restores each file's date and attributes. The rest of the program calls
// ExpandFile; the other operations serve it and the tools.
//
// Paths are Windows paths (Windows-1252) and go through the FileSystem the
// component is given. Failures are the six classes of archive_exceptions.h,
// the stream errors of platform/stream.h and EInOutError; nothing is caught
// inside except a failed output file (ExceptionOnFileError false) and a lock
// failure (the file is deleted, the exception goes on).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compress/archive_format.h"
#include "compress/codec_context.h"
#include "compress/method_kind.h"
#include "platform/stream.h"

namespace vk::platform {
class FileSystem;
}

namespace vk::compress {

// What the component is doing when it asks OnCheckFile about a path; the
// expander always asks with pmExpand.
enum class TProcessMode : std::uint8_t { pmCompress = 0, pmExpand = 1 };

// Sees every target path before its entry is expanded. Leaving the path
// empty skips the entry; leaving "*" ends the walk.
using TFilenameCheckEvent = std::function<void(std::string& filepath, TProcessMode mode)>;
// A custom compressor for whoever produces archives; the expander never
// raises it.
using TPackEvent =
    std::function<void(vk::platform::TStream& dest, vk::platform::TStream& source,
                       std::string& CompressID, std::int32_t& Outputsize, std::uint32_t& checksum)>;
// Expands an entry of kind mkCustom: must consume exactly Sourcesize bytes
// of source and leave the byte sum of what it wrote in checksum.
using TExpandEvent = std::function<void(vk::platform::TStream& dest, vk::platform::TStream& source,
                                        std::int32_t Sourcesize, std::int32_t Destsize,
                                        const std::string& CompressID, std::uint32_t& checksum)>;
// May accept an unknown archive method id as a custom method.
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;

// The names asked for, and on return the paths written.
using NameList = std::vector<std::string>;

class TArchiver {
 public:
  explicit TArchiver(vk::platform::FileSystem& files) : files_(files) {}
  virtual ~TArchiver() = default;
  TArchiver(const TArchiver&) = delete;
  TArchiver& operator=(const TArchiver&) = delete;

  TPackEvent OnCompress;
  TExpandEvent OnExpand;
  TFilenameCheckEvent OnCheckFile;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;

  // The folder put in front of relative entry names. A non-empty value that
  // does not end in "\" is stored with "\" appended.
  const std::string& TargetPath() const { return target_path_; }
  void SetTargetPath(std::string_view path);

  // Create the missing folders of each target path before writing.
  bool MakeDirectories = false;
  // When an output file cannot be created: true raises EFCreateError, false
  // skips the entry.
  bool ExceptionOnFileError = false;
  // Lock key for locked entries; 0 opens none.
  std::int32_t Key = 0;

  // Expands the entry stored as FileName (letter case ignored) and sets
  // FileName to the path written first, or to empty text when nothing was
  // written. On an exception FileName is left as it was.
  void ExpandFile(std::string& FileName, const std::string& ArchivePath);
  // Opens the archive file (EFOpenError when it cannot) and runs
  // ExpandArchive on it; the file is closed also on failure.
  void ExpandArchiveFile(const std::string& ArchivePath, NameList* Names = nullptr);
  // Expands the entries named in Names, or every entry without Names. On
  // normal return Names holds the paths written, in order.
  void ExpandArchive(vk::platform::TStream& Archive, NameList* Names = nullptr);
  // Expands one entry's data from source (at the data) into dest, then
  // tests its checksum and lock key.
  void ExpandEntry(vk::platform::TStream& dest, vk::platform::TStream& source,
                   std::int32_t Sourcesize, std::int32_t Destsize, MethodKind Kind,
                   const std::string& CompressID, std::uint32_t Checksum, bool Locked);
  // Maps an archive method id (exact case) to a kind, or raises
  // EUnrecognizedCompressionMethod.
  MethodKind MethodKindOf(const std::string& CompressID);
  // The 25 header bytes and the name; false when either read comes up short.
  bool ReadEntryHeader(vk::platform::TStream& Archive, EntryHeader& header, std::string& name);
  // Free bytes for writing a file at Path, counting the room of a file there
  // that will be replaced; -1 when the drive cannot be asked. Raises
  // EInOutError when such a file cannot be opened.
  std::int32_t FreeSpaceFor(const std::string& Path);
  // Creates Folder and its missing parents; folders of fewer than three
  // characters ("C:", "C:\") are never created. Raises EInOutError.
  void CreateDirectoryPath(const std::string& Folder);
  bool IsDirectory(const std::string& Path);

 protected:
  // Creates (or replaces) the output file of an entry, for reading and
  // writing; raises EFCreateError when it cannot. Tools that check an
  // archive without writing override it.
  virtual std::unique_ptr<vk::platform::TStream> CreateOutputFile(const std::string& path);

  vk::platform::FileSystem& Files() { return files_; }

 private:
  vk::platform::FileSystem& files_;
  std::string target_path_;
};

// The folder part of a path: everything up to and including its last "\"
// or ":"; empty when it has neither.
std::string FolderPart(std::string_view path);

}  // namespace vk::compress

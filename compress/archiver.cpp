#include "compress/archiver.h"

#include <algorithm>
#include <limits>

#include "compress/archive_exceptions.h"
#include "platform/file_system.h"
#include "platform/path_case.h"

namespace vk::compress {

using vk::platform::FileMode;
using vk::platform::SeekOrigin;
using vk::platform::TStream;

namespace {

bool NameIsIn(const NameList& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& wanted) {
    return vk::platform::EqualIgnoringCase(wanted, name);
  });
}

void SkipData(TStream& archive, const EntryHeader& header) {
  archive.Seek(header.CompressedSize, SeekOrigin::kCurrent);
}

}  // namespace

std::string FolderPart(std::string_view path) {
  const auto last = path.find_last_of("\\:");
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

void TArchiver::SetTargetPath(std::string_view path) {
  target_path_ = path;
  if (!target_path_.empty() && target_path_.back() != '\\') target_path_ += '\\';
}

void TArchiver::ExpandFile(std::string& FileName, const std::string& ArchivePath) {
  NameList names{FileName};
  ExpandArchiveFile(ArchivePath, &names);
  FileName = names.empty() ? std::string() : names.front();
}

void TArchiver::ExpandArchiveFile(const std::string& ArchivePath, NameList* Names) {
  vk::platform::TFileStream archive(files_, ArchivePath, FileMode::kOpenRead);
  ExpandArchive(archive, Names);
}

void TArchiver::ExpandArchive(TStream& Archive, NameList* Names) {
  NameList written;
  const ArchiveHeader archiveHeader = ReadArchiveHeader(Archive);
  MethodKindOf(archiveHeader.CompressID);

  // 64 bits: the sizes of two large entries would overflow 32.
  std::int64_t total = 0;
  EntryHeader header;
  std::string name;
  while (ReadEntryHeader(Archive, header, name)) {
    if (total >= archiveHeader.TotalSize) break;
    CheckEntryHeader(header);
    if (Names != nullptr && !NameIsIn(*Names, name)) {
      SkipData(Archive, header);
      continue;
    }
    std::string path = !name.empty() && name.front() == '\\' ? name : target_path_ + name;
    if (OnCheckFile) {
      OnCheckFile(path, TProcessMode::pmExpand);
      if (path.empty()) {
        SkipData(Archive, header);
        continue;
      }
      if (path == "*") break;
    }
    // A method the expander cannot run would leave an empty file behind and
    // its data unread, so the next header would come from inside it.
    const auto kind = static_cast<MethodKind>(header.MethodKind);
    if (header.MethodKind > static_cast<std::uint8_t>(MethodKind::mkCustom) ||
        (kind == MethodKind::mkCustom && !OnExpand)) {
      throw EUnrecognizedCompressionMethod();
    }
    if (FreeSpaceFor(path) < header.ExpandedSize) throw EInsufficientDiskSpace(path);
    if (MakeDirectories) CreateDirectoryPath(FolderPart(path));

    std::unique_ptr<TStream> output;
    try {
      output = CreateOutputFile(path);
    } catch (const vk::platform::EFCreateError&) {
      if (ExceptionOnFileError) throw;
      SkipData(Archive, header);
      continue;
    }
    try {
      ExpandEntry(*output, Archive, header.CompressedSize, header.ExpandedSize, kind,
                  archiveHeader.CompressID, header.Checksum, header.Locked());
    } catch (const EInvalidKey&) {
      output.reset();
      files_.DeleteFile(path);
      throw;
    } catch (...) {
      output.reset();
      files_.SetFileAttributes(path, header.FileAttr);
      throw;
    }
    total += header.ExpandedSize;
    // The date is set once the data is on disk, so no later write moves it.
    output.reset();
    files_.SetFileDosTime(path, header.DosDate(), header.DosTime());
    written.push_back(path);
    files_.SetFileAttributes(path, header.FileAttr);
  }
  if (Names != nullptr) *Names = std::move(written);
}

void TArchiver::ExpandEntry(TStream& dest, TStream& source, std::int32_t Sourcesize,
                            std::int32_t Destsize, MethodKind Kind, const std::string& CompressID,
                            std::uint32_t Checksum, bool Locked) {
  if (Locked && Key == 0) throw EInvalidKey();
  std::uint32_t sum = 0;
  switch (Kind) {
    case MethodKind::mkStored:
      if (Sourcesize > 0) dest.CopyFrom(source, Sourcesize);
      break;
    case MethodKind::mkRLE:
    case MethodKind::mkLZH:
      sum = RunCodec(OnShowProgress, dest, source, CodecDirection::kExpanding, Kind, Destsize,
                     Sourcesize)
                .checksum;
      break;
    case MethodKind::mkCustom:
      if (OnExpand) OnExpand(dest, source, Sourcesize, Destsize, CompressID, sum);
      break;
    default:
      break;
  }
  if (Kind == MethodKind::mkStored || sum == Checksum) return;
  if (!Locked) throw EBadChecksum();
  // The key never changes the data; it only offsets the stored checksum.
  if (sum + static_cast<std::uint32_t>(Key) != Checksum) throw EInvalidKey();
}

MethodKind TArchiver::MethodKindOf(const std::string& CompressID) {
  if (CompressID == "RLE") return MethodKind::mkRLE;
  if (CompressID == "LZH") return MethodKind::mkLZH;
  if (OnExpand) {
    if (CompressID == "CUS") return MethodKind::mkCustom;
    if (OnRecognize) {
      bool recognized = false;
      OnRecognize(CompressID, recognized);
      if (recognized) return MethodKind::mkCustom;
    }
  }
  if (CompressID == "NON") return MethodKind::mkStored;
  throw EUnrecognizedCompressionMethod();
}

bool TArchiver::ReadEntryHeader(TStream& Archive, EntryHeader& header, std::string& name) {
  return vk::compress::ReadEntryHeader(Archive, header, name);
}

std::int32_t TArchiver::FreeSpaceFor(const std::string& Path) {
  // A path without a drive letter is on the current drive; the file
  // functions know which that is, if any.
  const bool hasDrive = Path.size() >= 2 && Path[1] == ':';
  std::int64_t free = files_.GetDiskFreeSpace(hasDrive ? Path.substr(0, 2) + "\\" : Path);
  if (free < 0) free = -1;
  if (files_.FileExists(Path)) {
    // The file will be replaced, so its room counts.
    try {
      vk::platform::TFileStream existing(files_, Path, FileMode::kOpenReadWrite);
      free += existing.Size();
    } catch (const vk::platform::EFOpenError&) {
      throw EInOutError(kErrorAccessDenied);
    }
  }
  // Drives today hold more than 2 GB, which no 32-bit count can; no entry
  // is larger than the largest count, so it stands for "enough".
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(free, std::numeric_limits<std::int32_t>::max()));
}

void TArchiver::CreateDirectoryPath(const std::string& Folder) {
  // The folders in question are Folder and its parents, each without one
  // trailing "\\", down to three characters. They are all prefixes of
  // Folder, so lengths stand for them. Looking from the top down finds the
  // first missing one with few queries, and no recursion is needed: a
  // hostile name may hold thousands of folder parts.
  std::vector<std::size_t> chain;  // deepest first
  std::string_view folder = Folder;
  while (!folder.empty()) {
    if (folder.back() == '\\') folder.remove_suffix(1);
    if (folder.size() < 3) break;
    chain.push_back(folder.size());
    // The search starts before the last character: a folder that ends in
    // ":" ("C:\a\b:") would otherwise be its own folder part, over and
    // over.
    const auto last = folder.find_last_of("\\:", folder.size() - 2);
    folder = last == std::string_view::npos ? std::string_view() : folder.substr(0, last + 1);
  }
  auto it = chain.rbegin();
  while (it != chain.rend() && IsDirectory(Folder.substr(0, *it))) ++it;
  for (; it != chain.rend(); ++it) {
    const std::string path = Folder.substr(0, *it);
    if (files_.CreateDirectories(path) && IsDirectory(path)) continue;
    if (files_.FileExists(path)) throw EInOutError(kErrorAlreadyExists);
    throw EInOutError(files_.HostPath(path) ? kErrorAccessDenied : kErrorPathNotFound);
  }
}

bool TArchiver::IsDirectory(const std::string& Path) {
  const std::uint32_t attributes = files_.GetFileAttributes(Path);
  return attributes != vk::platform::kInvalidFileAttributes &&
         (attributes & vk::platform::kAttributeDirectory) != 0;
}

std::unique_ptr<TStream> TArchiver::CreateOutputFile(const std::string& path) {
  return std::make_unique<vk::platform::TFileStream>(files_, path, FileMode::kCreate);
}

}  // namespace vk::compress

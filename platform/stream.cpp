#include "platform/stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace vk::platform {

EFOpenError::EFOpenError(std::string_view path)
    : EStreamError("Kann Datei " + std::string(path) + " nicht \xF6" "ffnen") {}
EFCreateError::EFCreateError(std::string_view path)
    : EStreamError("Kann Datei " + std::string(path) + " nicht erstellen") {}
EReadError::EReadError() : EStreamError("Stream-Read-Fehler ") {}
EWriteError::EWriteError() : EStreamError("Stream-Write-Fehler ") {}

std::int64_t TStream::Size() {
  std::int64_t position = Position();
  std::int64_t size = Seek(0, SeekOrigin::kEnd);
  Seek(position, SeekOrigin::kBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  constexpr std::int32_t kBlock = 61440;
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, kBlock)));
  for (std::int64_t left = count; left > 0;) {
    auto block = static_cast<std::int32_t>(std::min<std::int64_t>(left, kBlock));
    source.ReadBuffer(buffer.data(), block);
    WriteBuffer(buffer.data(), block);
    left -= block;
  }
  return count;
}

TFileStream::TFileStream(FileSystem& files, std::string_view path, FileMode mode) {
  auto host = files.HostPath(path);
  bool creating = mode == FileMode::kCreate;
  // The process may run as root, which writes anything: the read-only
  // attribute is honoured here, as Windows does.
  std::uint32_t attributes = files.GetFileAttributes(path);
  bool readOnly = mode != FileMode::kOpenRead && attributes != kInvalidFileAttributes &&
                  (attributes & kAttributeReadOnly) != 0;
  int flags = O_CLOEXEC | (mode == FileMode::kOpenRead ? O_RDONLY : O_RDWR);
  if (creating) flags |= O_CREAT | O_TRUNC;
  if (host && !readOnly) descriptor_ = ::open(host->c_str(), flags, 0644);
  struct stat info {};
  if (descriptor_ >= 0 && (::fstat(descriptor_, &info) != 0 || S_ISDIR(info.st_mode))) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
  if (descriptor_ < 0) {
    if (creating) throw EFCreateError(path);
    throw EFOpenError(path);
  }
}

TFileStream::~TFileStream() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
  std::int32_t done = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t got = ::read(descriptor_, bytes + done, static_cast<std::size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::int32_t>(got);
  }
  return done;
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
  std::int32_t done = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t put = ::write(descriptor_, bytes + done, static_cast<std::size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<std::int32_t>(put);
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::kBeginning ? SEEK_SET
               : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                : SEEK_END;
  off_t position = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
  // A seek before the start leaves the position where it was.
  return position < 0 ? ::lseek(descriptor_, 0, SEEK_CUR) : position;
}

std::int32_t TMemoryStream::Read(void* buffer, std::int32_t count) {
  auto size = static_cast<std::int64_t>(data_.size());
  if (count <= 0 || position_ >= size) return 0;
  auto got = static_cast<std::int32_t>(std::min<std::int64_t>(count, size - position_));
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(got));
  position_ += got;
  return got;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  auto end = static_cast<std::size_t>(position_) + static_cast<std::size_t>(count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = origin == SeekOrigin::kBeginning ? 0
                      : origin == SeekOrigin::kCurrent ? position_
                                                       : static_cast<std::int64_t>(data_.size());
  if (base + offset >= 0) position_ = base + offset;
  return position_;
}

}  // namespace vk::platform

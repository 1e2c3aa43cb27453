#pragma once
// The toolkit's seekable byte streams. Read and Write report how much they
// moved; ReadBuffer, WriteBuffer and CopyFrom raise the stream errors on a
// short transfer, with the toolkit's messages.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace vk::platform {

class FileSystem;

class EStreamError : public Exception {
  using Exception::Exception;
};
// "Kann Datei %s nicht öffnen"
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(std::string_view path);
};
// "Kann Datei %s nicht erstellen"
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(std::string_view path);
};
// "Stream-Read-Fehler "
class EReadError : public EStreamError {
 public:
  EReadError();
};
// "Stream-Write-Fehler "
class EWriteError : public EStreamError {
 public:
  EWriteError();
};

enum class SeekOrigin { kBeginning, kCurrent, kEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, SeekOrigin::kCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::kBeginning); }
  std::int64_t Size();

  // Raise EReadError / EWriteError unless exactly count bytes move.
  void ReadBuffer(void* buffer, std::int32_t count);
  void WriteBuffer(const void* buffer, std::int32_t count);
  // Copies count bytes from source's position in blocks of at most 61,440
  // bytes; count 0 copies the whole of source from its start. Returns the
  // number copied; raises EReadError or EWriteError when short.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

enum class FileMode {
  kOpenRead,       // existing file, reading; others may not write it
  kOpenReadWrite,  // existing file, reading and writing
  kCreate,         // new or truncated file, reading and writing
};

// A file named by a Windows path. Raises EFOpenError or EFCreateError with
// the path when the file cannot be opened or created.
class TFileStream : public TStream {
 public:
  TFileStream(FileSystem& files, std::string_view path, FileMode mode);
  ~TFileStream() override;

  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

 private:
  int descriptor_ = -1;
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

  const std::vector<std::uint8_t>& Data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

}  // namespace vk::platform

#pragma once
// The archive expander's failures. Each class carries only its fixed
// message, which the toolkit's standard handler shows as it stands; callers
// tell them apart by class.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exception.h"

namespace vk::compress {

// "Can't recognize compressed file header": the archive does not begin with
// the signature, is shorter than its header, or an entry header is damaged.
class EInvalidHeader : public vk::platform::Exception {
 public:
  EInvalidHeader();
};

// "Expand can't handle caSingle archive type in compressed header".
class EInvalidHeaderArchiveType : public vk::platform::Exception {
 public:
  EInvalidHeaderArchiveType();
};

// "Unrecognized compression method in header".
class EUnrecognizedCompressionMethod : public vk::platform::Exception {
 public:
  EUnrecognizedCompressionMethod();
};

// "Not enough disk space to expand " followed by the target path.
class EInsufficientDiskSpace : public vk::platform::Exception {
 public:
  explicit EInsufficientDiskSpace(std::string_view path);
};

// "File locked -- valid key required".
class EInvalidKey : public vk::platform::Exception {
 public:
  EInvalidKey();
};

// "Bad checksum during expansion -- data may be invalid".
class EBadChecksum : public vk::platform::Exception {
 public:
  EBadChecksum();
};

// The run-time library's I/O error: a folder could not be made or an
// existing target could not be opened to learn its size. The code is the
// Windows error number; the message is "I/O-Fehler %d".
class EInOutError : public vk::platform::Exception {
 public:
  explicit EInOutError(std::int32_t errorCode);
  std::int32_t ErrorCode() const { return errorCode_; }

 private:
  std::int32_t errorCode_;
};

// Windows error numbers the expander reports through EInOutError.
inline constexpr std::int32_t kErrorPathNotFound = 3;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorAlreadyExists = 183;

}  // namespace vk::compress

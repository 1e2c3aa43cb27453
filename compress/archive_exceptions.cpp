#include "compress/archive_exceptions.h"

namespace vk::compress {

using vk::platform::Exception;

EInvalidHeader::EInvalidHeader() : Exception("Can't recognize compressed file header") {}

EInvalidHeaderArchiveType::EInvalidHeaderArchiveType()
    : Exception("Expand can't handle caSingle archive type in compressed header") {}

EUnrecognizedCompressionMethod::EUnrecognizedCompressionMethod()
    : Exception("Unrecognized compression method in header") {}

EInsufficientDiskSpace::EInsufficientDiskSpace(std::string_view path)
    : Exception("Not enough disk space to expand " + std::string(path)) {}

EInvalidKey::EInvalidKey() : Exception("File locked -- valid key required") {}

EBadChecksum::EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}

EInOutError::EInOutError(std::int32_t errorCode)
    : Exception("I/O-Fehler " + std::to_string(errorCode)), errorCode_(errorCode) {}

}  // namespace vk::compress

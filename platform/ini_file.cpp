#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "platform/path_case.h"

// How writes stay durable and cheap.
//
// The file is held as a list of sections, each a list of lines that remember
// where they lie in the file. A write changes the model and then the file in
// one of three ways:
//
// - Appending a line where the file has room for it: at the end of the file,
//   or in growth room left after a section's last key. The room is a run of
//   lines of spaces, which every reader skips as blank lines. The line is
//   written with ';' as its first byte, which makes it a comment whatever
//   part of it reached the file, and then that one byte is overwritten with
//   the line's real first byte. A process killed at any moment leaves the
//   old or the new content. A new section, header and key, goes on in one
//   write when that lies in one page (see below), else by a rewrite.
// - Replacing a line in place when the new line is no longer than the old
//   one and the old one lies in one page: one write of the new text padded
//   with blanks, which readers remove. The kernel copies a write page by
//   page and checks for a fatal signal only between pages, so such a write
//   is whole or absent.
// - Otherwise writing the whole file to a new file beside it and renaming
//   that over the old one. When the cause was an append into the middle of
//   the file, the new file gets growth room after that section, as large as
//   the section itself, so a section that keeps growing is rewritten only
//   each time it doubles.
//
// Nothing is flushed to the disk: a write is complete in the kernel's cache
// when it returns, which survives the end of the process. On close the
// growth room and padding are removed by one last rewrite.

namespace vk::platform {

namespace {

constexpr std::size_t kGrowthLineLength = 64;
constexpr std::size_t kMinimumGrowthRoom = 1024;

enum class LineKind : std::uint8_t { kBlank, kComment, kSection, kEntry, kOther };
enum class Terminator : std::uint8_t { kNone, kLineFeed, kCarriageReturnLineFeed, kCarriageReturn };

std::size_t TerminatorLength(Terminator terminator) {
  switch (terminator) {
    case Terminator::kNone: return 0;
    case Terminator::kLineFeed: return 1;
    case Terminator::kCarriageReturnLineFeed: return 2;
    case Terminator::kCarriageReturn: return 1;
  }
  return 0;
}

std::string_view TerminatorText(Terminator terminator) {
  switch (terminator) {
    case Terminator::kNone: return "";
    case Terminator::kLineFeed: return "\n";
    case Terminator::kCarriageReturnLineFeed: return "\r\n";
    case Terminator::kCarriageReturn: return "\r";
  }
  return "";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Fold(std::string_view name) { return UpperCase1252(Trim(name)); }

struct Line {
  std::string text;           // the line's bytes without padding or terminator
  std::int64_t offset = 0;    // where the line starts in the file
  std::size_t extent = 0;     // bytes before the terminator: text plus padding blanks
  Terminator terminator = Terminator::kNone;
  LineKind kind = LineKind::kBlank;

  std::size_t Length() const { return extent + TerminatorLength(terminator); }
};

struct Section {
  std::string name;  // as written between the brackets, trimmed
  bool hasHeader = false;
  std::vector<Line> lines;  // lines[0] is the header when there is one
  // Index after the last key line (or after the header): where a new key
  // goes. Every later line is a blank, comment or odd line.
  std::size_t entryEnd = 0;
  std::unordered_map<std::string, std::size_t> keys;  // folded key -> first line
  std::int64_t roomOffset = 0;  // growth room after lines[entryEnd - 1]
  std::size_t roomSize = 0;
  int appendRewrites = 0;
};

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileIdentity Of(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
  }
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

// Splits a line into its kind and, for a key line, its trimmed key; for a
// section header, its trimmed name.
LineKind Classify(std::string_view text, std::string_view& name) {
  std::string_view rest = text;
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.empty()) return LineKind::kBlank;
  if (rest.front() == ';') return LineKind::kComment;
  if (rest.front() == '[') {
    std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return LineKind::kOther;
    name = Trim(rest.substr(1, close - 1));
    return LineKind::kSection;
  }
  name = Trim(rest.substr(0, rest.find('=')));
  return LineKind::kEntry;
}

std::string_view ValueOf(std::string_view line) {
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  std::string_view value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value.substr(0, std::min(value.size(), kMaximumIniValueLength));
}

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

EIniFileError::EIniFileError(const std::filesystem::path& fileName, const std::string& message)
    : Exception("Unable to write to " + fileName.string() + ": " + message), fileName_(fileName) {}

std::int32_t ParseIniInteger(std::string_view text, std::int32_t defaultValue) {
  std::string converted;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    converted = "$";
    converted.append(text.substr(2));
    text = converted;
  }
  std::size_t position = 0;
  while (position < text.size() && IsBlank(text[position])) ++position;
  if (position == text.size()) return defaultValue;
  if (text[position] == '$') {
    ++position;
    if (position == text.size()) return defaultValue;
    std::uint64_t number = 0;
    for (; position < text.size(); ++position) {
      char c = text[position];
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return defaultValue;
      }
      number = number * 16 + static_cast<std::uint64_t>(digit);
      if (number > 0xFFFFFFFFu) return defaultValue;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
  }
  bool negative = false;
  if (text[position] == '+' || text[position] == '-') {
    negative = text[position] == '-';
    ++position;
  }
  if (position == text.size()) return defaultValue;
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t number = 0;
  for (; position < text.size(); ++position) {
    char c = text[position];
    if (c < '0' || c > '9') return defaultValue;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    if (number > limit) return defaultValue;
  }
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(number))
                  : static_cast<std::int32_t>(number);
}

class TIniFile::Document {
 public:
  explicit Document(std::filesystem::path fileName) : fileName_(std::move(fileName)) { Load(); }
  ~Document() {
    try {
      UpdateFile();
    } catch (...) {
      // The file on disk is complete with its growth room; nothing is lost.
    }
    CloseDescriptor();
  }

  const std::filesystem::path& FileName() const { return fileName_; }

  const Line* Find(std::string_view section, std::string_view key) {
    Refresh();
    const Section* found = FindSection(section);
    if (found == nullptr) return nullptr;
    auto entry = found->keys.find(Fold(key));
    return entry == found->keys.end() ? nullptr : &found->lines[entry->second];
  }

  bool HasSection(std::string_view section) {
    Refresh();
    return FindSection(section) != nullptr;
  }

  std::vector<std::string> Keys(std::string_view section) {
    Refresh();
    std::vector<std::string> keys;
    const Section* found = FindSection(section);
    if (found == nullptr) return keys;
    for (std::size_t index = 0; index < found->entryEnd; ++index) {
      const Line& line = found->lines[index];
      std::string_view name;
      if (line.kind != LineKind::kEntry || Classify(line.text, name) != LineKind::kEntry) continue;
      auto first = found->keys.find(UpperCase1252(name));
      if (first != found->keys.end() && first->second == index) keys.emplace_back(name);
    }
    return keys;
  }

  std::vector<std::string> SectionNames() {
    Refresh();
    std::vector<std::string> names;
    for (std::size_t index = 0; index < sections_.size(); ++index) {
      const Section& section = sections_[index];
      if (!section.hasHeader) continue;
      auto first = sectionIndex_.find(UpperCase1252(section.name));
      if (first != sectionIndex_.end() && first->second == index) names.push_back(section.name);
    }
    return names;
  }

  void Write(std::string_view sectionName, std::string_view keyName, std::string_view value) {
    sectionName = Trim(sectionName);
    keyName = Trim(keyName);
    Validate(sectionName, keyName, value);
    Refresh();
    if (unreadable_) {
      throw EIniFileError(fileName_, "the file cannot be read (" + ErrorText(loadError_) + ")");
    }
    // The read-only attribute holds even for root, as the file functions
    // honour it.
    if (readOnly_) throw EIniFileError(fileName_, "the file is read-only");
    std::string text;
    text.reserve(keyName.size() + 1 + value.size());
    text.append(keyName).append("=").append(value);

    auto sectionEntry = sectionIndex_.find(UpperCase1252(sectionName));
    if (sectionEntry == sectionIndex_.end()) {
      AppendSection(sectionName, keyName, std::move(text));
      return;
    }
    const std::size_t sectionNumber = sectionEntry->second;
    Section& section = sections_[sectionNumber];
    auto keyEntry = section.keys.find(UpperCase1252(keyName));
    if (keyEntry != section.keys.end()) {
      // The key keeps the spelling it has in the file.
      Line& line = section.lines[keyEntry->second];
      std::string_view existing;
      Classify(line.text, existing);
      std::string replaced(existing);
      replaced.append("=").append(value);
      Replace(line, std::move(replaced));
    } else {
      AppendKey(sectionNumber, keyName, std::move(text));
    }
  }

  void UpdateFile() {
    if (!dirty_) return;
    Refresh();
    if (dirty_) Rewrite(kNoSection, 0, Room::kDrop);
  }

 private:
  static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);
  enum class Room { kKeep, kDrop };

  const Section* FindSection(std::string_view name) const {
    auto found = sectionIndex_.find(Fold(name));
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
  }

  void Validate(std::string_view section, std::string_view key, std::string_view value) const {
    auto hasLineBreak = [](std::string_view text) {
      return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasLineBreak(section) || section.find(']') != std::string_view::npos) {
      throw EIniFileError(fileName_, "a section name cannot hold ']' or a line break");
    }
    if (key.empty() || hasLineBreak(key) || key.find('=') != std::string_view::npos ||
        key.front() == ';' || key.front() == '[') {
      throw EIniFileError(fileName_,
                          "a key must not be empty, begin with ';' or '[', or hold '=' or a "
                          "line break");
    }
    if (hasLineBreak(value)) throw EIniFileError(fileName_, "a value cannot hold a line break");
  }

  // Reads the file again when another writer has changed or replaced it, or
  // when a failed write left the model unsure.
  void Refresh() {
    if (reloadNeeded_) {
      Load();
      return;
    }
    struct stat status{};
    if (::stat(fileName_.c_str(), &status) != 0) {
      const bool absent = errno == ENOENT || errno == ENOTDIR;
      if (identity_.has_value() || absent == unreadable_) Load();
      return;
    }
    if (!identity_.has_value() || !(*identity_ == FileIdentity::Of(status))) Load();
  }

  void Load() {
    CloseDescriptor();
    sections_.clear();
    sectionIndex_.clear();
    identity_.reset();
    unreadable_ = false;
    readOnly_ = false;
    loadError_ = 0;
    reloadNeeded_ = false;
    dirty_ = false;
    fileSize_ = 0;
    newline_ = "\r\n";
    sections_.emplace_back();

    std::string content;
    // O_NONBLOCK keeps a named pipe in the file's place from blocking here.
    int descriptor = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
      if (errno != ENOENT && errno != ENOTDIR) MarkUnreadable(errno);
      return;
    }
    struct stat status{};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
      MarkUnreadable(S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
      identity_ = FileIdentity::Of(status);
      ::close(descriptor);
      return;
    }
    content.resize(static_cast<std::size_t>(status.st_size));
    std::size_t filled = 0;
    for (;;) {
      if (filled == content.size()) content.resize(content.size() + 65536);
      ssize_t count = ::read(descriptor, content.data() + filled, content.size() - filled);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) {
        MarkUnreadable(errno);
        ::close(descriptor);
        return;
      }
      if (count == 0) break;
      filled += static_cast<std::size_t>(count);
    }
    content.resize(filled);
    ::fstat(descriptor, &status);
    ::close(descriptor);
    identity_ = FileIdentity::Of(status);
    readOnly_ = (status.st_mode & S_IWUSR) == 0;
    Parse(content);
  }

  void MarkUnreadable(int error) {
    unreadable_ = true;
    loadError_ = error;
  }

  void Parse(std::string_view content) {
    bool newlineKnown = false;
    std::size_t position = 0;
    // A byte-order mark is not part of the first section's header.
    std::size_t skipBom = content.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (position < content.size()) {
      std::size_t end = content.find_first_of("\r\n", position);
      Line line;
      line.offset = static_cast<std::int64_t>(position);
      if (end == std::string_view::npos) {
        end = content.size();
        line.terminator = Terminator::kNone;
      } else if (content[end] == '\n') {
        line.terminator = Terminator::kLineFeed;
      } else if (end + 1 < content.size() && content[end + 1] == '\n') {
        line.terminator = Terminator::kCarriageReturnLineFeed;
      } else {
        line.terminator = Terminator::kCarriageReturn;
      }
      if (!newlineKnown && line.terminator != Terminator::kNone) {
        newline_ = std::string(TerminatorText(line.terminator));
        newlineKnown = true;
      }
      line.text.assign(content.substr(position, end - position));
      line.extent = line.text.size();
      position = end + TerminatorLength(line.terminator);
      AddParsedLine(std::move(line), skipBom);
      skipBom = 0;
    }
    fileSize_ = static_cast<std::int64_t>(content.size());
  }

  void AddParsedLine(Line line, std::size_t skip) {
    std::string_view name;
    line.kind = Classify(std::string_view(line.text).substr(skip), name);
    if (line.kind == LineKind::kSection) {
      Section section;
      section.name.assign(name);
      section.hasHeader = true;
      section.entryEnd = 1;
      section.lines.push_back(std::move(line));
      sectionIndex_.emplace(UpperCase1252(section.name), sections_.size());
      sections_.push_back(std::move(section));
      return;
    }
    Section& section = sections_.back();
    if (line.kind == LineKind::kEntry) {
      if (!name.empty()) section.keys.emplace(UpperCase1252(name), section.lines.size());
      section.entryEnd = section.lines.size() + 1;
    }
    section.lines.push_back(std::move(line));
  }

  void Replace(Line& line, std::string text) {
    // A value that would read back the same needs no write.
    if (line.kind == LineKind::kEntry && line.text.find('=') != std::string::npos &&
        ValueOf(line.text) == ValueOf(text)) {
      return;
    }
    const std::size_t page = PageSize();
    const auto start = static_cast<std::uint64_t>(line.offset);
    if (identity_.has_value() && text.size() <= line.extent &&
        start / page == (start + line.extent - 1) / page && OpenDescriptor()) {
      std::string bytes = text;
      bytes.resize(line.extent, ' ');
      WriteAt(line.offset, bytes);
      if (text.size() < line.extent) dirty_ = true;
      line.text = std::move(text);
      line.kind = LineKind::kEntry;
      NoteOwnWrite();
      return;
    }
    line.text = std::move(text);
    line.kind = LineKind::kEntry;
    Rewrite(kNoSection, 0, Room::kKeep);
  }

  void AppendKey(std::size_t sectionNumber, std::string_view keyName, std::string text) {
    Section& section = sections_[sectionNumber];
    Line line;
    line.text = std::move(text);
    line.extent = line.text.size();
    line.kind = LineKind::kEntry;
    line.terminator = NewlineTerminator();
    const std::size_t length = line.Length();
    Line& previous = section.lines[section.entryEnd - 1];
    const std::int64_t previousEnd = previous.offset + static_cast<std::int64_t>(previous.Length());
    const bool atEnd = section.roomSize == 0 && section.entryEnd == section.lines.size() &&
                       sectionNumber + 1 == sections_.size() && previousEnd == fileSize_;

    if (identity_.has_value() && section.roomSize >= length && OpenDescriptor()) {
      line.offset = section.roomOffset;
      WriteCommitted(line.offset, "", line.text);
      section.roomOffset += static_cast<std::int64_t>(length);
      section.roomSize -= length;
      InsertKey(section, keyName, std::move(line));
      NoteOwnWrite();
      return;
    }
    if (identity_.has_value() && atEnd && OpenDescriptor()) {
      std::string prefix;
      if (previous.terminator == Terminator::kNone) prefix = newline_;
      line.offset = fileSize_ + static_cast<std::int64_t>(prefix.size());
      WriteCommitted(fileSize_, prefix, line.text);
      if (!prefix.empty()) previous.terminator = NewlineTerminator();
      fileSize_ = line.offset + static_cast<std::int64_t>(length);
      InsertKey(section, keyName, std::move(line));
      NoteOwnWrite();
      return;
    }
    InsertKey(section, keyName, std::move(line));
    ++section.appendRewrites;
    std::size_t room = 0;
    if (section.appendRewrites > 1 && sectionNumber + 1 < sections_.size()) {
      std::size_t bytes = 0;
      for (const Line& each : section.lines) bytes += each.Length();
      room = std::max(kMinimumGrowthRoom, bytes);
    }
    Rewrite(sectionNumber, room, Room::kKeep);
  }

  static void InsertKey(Section& section, std::string_view keyName, Line line) {
    section.keys.emplace(UpperCase1252(keyName), section.entryEnd);
    section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(section.entryEnd),
                         std::move(line));
    ++section.entryEnd;
  }

  void AppendSection(std::string_view sectionName, std::string_view keyName, std::string text) {
    Section section;
    section.name.assign(sectionName);
    section.hasHeader = true;
    Line header;
    header.text = "[" + section.name + "]";
    header.extent = header.text.size();
    header.kind = LineKind::kSection;
    header.terminator = NewlineTerminator();
    section.lines.push_back(std::move(header));
    section.entryEnd = 1;
    Line entry;
    entry.text = std::move(text);
    entry.extent = entry.text.size();
    entry.kind = LineKind::kEntry;
    entry.terminator = NewlineTerminator();
    InsertKey(section, keyName, std::move(entry));

    // The previous last line gets its line break, and a blank line parts the
    // sections; both belong to the section before.
    Line* last = nullptr;
    for (auto it = sections_.rbegin(); it != sections_.rend() && last == nullptr; ++it) {
      if (!it->lines.empty()) last = &it->lines.back();
    }
    std::string prefix;
    if (last != nullptr) {
      if (last->terminator == Terminator::kNone) prefix = newline_;
      prefix += newline_;
    }
    // The new section goes on in one write when that lies in one page, which
    // a kill cannot tear; otherwise by a rewrite, as there is no single byte
    // that would make a header and its key appear together.
    const std::size_t blockLength = prefix.size() + section.lines[0].Length() +
                                    section.lines[1].Length();
    const auto blockStart = static_cast<std::uint64_t>(fileSize_);
    const bool inPlace = identity_.has_value() &&
                         blockStart / PageSize() == (blockStart + blockLength - 1) / PageSize() &&
                         OpenDescriptor();
    if (last != nullptr) {
      if (last->terminator == Terminator::kNone) last->terminator = NewlineTerminator();
      Line blank;
      blank.offset = fileSize_ + static_cast<std::int64_t>(prefix.size() - newline_.size());
      blank.terminator = NewlineTerminator();
      blank.kind = LineKind::kBlank;
      sections_.back().lines.push_back(std::move(blank));
    }
    section.lines[0].offset = fileSize_ + static_cast<std::int64_t>(prefix.size());
    section.lines[1].offset = section.lines[0].offset +
                              static_cast<std::int64_t>(section.lines[0].Length());
    const std::int64_t start = fileSize_;
    const std::int64_t end = section.lines[1].offset +
                             static_cast<std::int64_t>(section.lines[1].Length());
    std::string block = std::move(prefix);
    block.append(section.lines[0].text).append(newline_);
    block.append(section.lines[1].text).append(newline_);
    sectionIndex_.emplace(UpperCase1252(section.name), sections_.size());
    sections_.push_back(std::move(section));
    if (inPlace) {
      try {
        WriteAt(start, block);
      } catch (...) {
        [[maybe_unused]] int ignored = ::ftruncate(descriptor_, start);
        throw;
      }
      fileSize_ = end;
      NoteOwnWrite();
    } else {
      Rewrite(kNoSection, 0, Room::kKeep);
    }
  }

  // Writes prefix, then the line with ';' for its first byte and a line
  // break, then the real first byte: a kill before the last write leaves a
  // comment where the line goes.
  void WriteCommitted(std::int64_t offset, std::string_view prefix, std::string_view text) {
    std::string bytes;
    bytes.reserve(prefix.size() + text.size() + newline_.size());
    bytes.append(prefix).append(";").append(text.substr(1)).append(newline_);
    const std::int64_t previousSize = fileSize_;
    try {
      WriteAt(offset, bytes);
      WriteAt(offset + static_cast<std::int64_t>(prefix.size()), text.substr(0, 1));
    } catch (...) {
      // Whatever part of the line reached the end of the file is a comment;
      // cut it off again where that is possible.
      if (offset >= previousSize) {
        [[maybe_unused]] int ignored = ::ftruncate(descriptor_, previousSize);
      }
      throw;
    }
  }

  void WriteAt(std::int64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t written = ::pwrite(descriptor_, bytes.data(), bytes.size(), offset);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        int error = written < 0 ? errno : EIO;
        reloadNeeded_ = true;
        throw EIniFileError(fileName_, ErrorText(error));
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
      offset += written;
    }
  }

  // Opens the file for writing in place; false when it is not the file the
  // model was read from, so the caller rewrites it instead.
  bool OpenDescriptor() {
    if (descriptor_ >= 0) return true;
    int descriptor = ::open(fileName_.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0) {
      int error = errno;
      reloadNeeded_ = true;
      throw EIniFileError(fileName_, ErrorText(error));
    }
    struct stat status{};
    if (::fstat(descriptor, &status) != 0 || !identity_.has_value() ||
        !(FileIdentity::Of(status) == *identity_)) {
      ::close(descriptor);
      return false;
    }
    descriptor_ = descriptor;
    return true;
  }

  void CloseDescriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
  }

  void NoteOwnWrite() {
    struct stat status{};
    if (::fstat(descriptor_, &status) == 0) {
      identity_ = FileIdentity::Of(status);
    } else {
      reloadNeeded_ = true;
    }
  }

  // Writes the whole model to a new file and renames it over the old one.
  // growSection gets growthRoom bytes of room after its last key; the other
  // sections keep what room they have left, or lose it with Room::kDrop.
  void Rewrite(std::size_t growSection, std::size_t growthRoom, Room others) {
    const bool compact = others == Room::kDrop;
    std::string content;
    content.reserve(static_cast<std::size_t>(fileSize_) + growthRoom + 256);
    Line* open = nullptr;  // a line still waiting for its line break
    auto startPiece = [&] {
      if (open != nullptr) {
        open->terminator = NewlineTerminator();
        content += newline_;
        open = nullptr;
      }
    };
    bool anyRoom = false;
    for (std::size_t number = 0; number < sections_.size(); ++number) {
      Section& section = sections_[number];
      std::size_t room = number == growSection ? growthRoom : section.roomSize;
      if ((compact && number != growSection) || room < kGrowthLineLength) room = 0;
      room = (room + kGrowthLineLength - 1) / kGrowthLineLength * kGrowthLineLength;
      section.roomSize = 0;
      for (std::size_t index = 0; index < section.lines.size(); ++index) {
        if (index == section.entryEnd && index > 0) EmitRoom(section, room, content, startPiece);
        Line& line = section.lines[index];
        startPiece();
        line.offset = static_cast<std::int64_t>(content.size());
        line.extent = line.text.size();
        content += line.text;
        content += TerminatorText(line.terminator);
        if (line.terminator == Terminator::kNone) open = &line;
      }
      if (section.entryEnd == section.lines.size() && section.entryEnd > 0) {
        EmitRoom(section, room, content, startPiece);
      }
      if (section.roomSize > 0) anyRoom = true;
    }
    ReplaceFile(content);
    dirty_ = anyRoom;
  }

  template <typename StartPiece>
  void EmitRoom(Section& section, std::size_t room, std::string& content, StartPiece& startPiece) {
    section.roomSize = room;
    if (room == 0) return;
    startPiece();
    section.roomOffset = static_cast<std::int64_t>(content.size());
    std::string growthLine(kGrowthLineLength - newline_.size(), ' ');
    growthLine += newline_;
    for (std::size_t filled = 0; filled < room; filled += kGrowthLineLength) content += growthLine;
  }

  void ReplaceFile(std::string_view content) {
    std::filesystem::path target = fileName_;
    std::error_code ignored;
    if (std::filesystem::is_symlink(target, ignored)) {
      std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
      if (!ignored) target = resolved;
    }
    struct stat existing{};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && ::access(target.c_str(), W_OK) != 0) Fail(errno);

    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    int descriptor = -1;
    std::filesystem::path temporary;
    for (int attempt = 0; descriptor < 0; ++attempt) {
      temporary = folder / ("." + target.filename().string() + ".vk-" +
                            std::to_string(::getpid()) + "-" + std::to_string(++temporaryCounter_));
      descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (descriptor < 0 && (errno != EEXIST || attempt > 100)) Fail(errno);
    }
    auto failAndRemove = [&](int error) {
      ::close(descriptor);
      ::unlink(temporary.c_str());
      Fail(error);
    };
    std::string_view rest = content;
    while (!rest.empty()) {
      ssize_t written = ::write(descriptor, rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) failAndRemove(written < 0 ? errno : EIO);
      rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (exists && ::fchmod(descriptor, existing.st_mode & 07777) != 0) failAndRemove(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) failAndRemove(errno);

    CloseDescriptor();
    descriptor_ = descriptor;
    fileSize_ = static_cast<std::int64_t>(content.size());
    struct stat status{};
    if (::fstat(descriptor_, &status) == 0) {
      identity_ = FileIdentity::Of(status);
    } else {
      reloadNeeded_ = true;
    }
  }

  [[noreturn]] void Fail(int error) {
    reloadNeeded_ = true;
    throw EIniFileError(fileName_, ErrorText(error));
  }

  Terminator NewlineTerminator() const {
    if (newline_ == "\n") return Terminator::kLineFeed;
    if (newline_ == "\r") return Terminator::kCarriageReturn;
    return Terminator::kCarriageReturnLineFeed;
  }

  static std::size_t PageSize() {
    static const std::size_t size = [] {
      long value = ::sysconf(_SC_PAGESIZE);
      return value > 0 ? static_cast<std::size_t>(value) : std::size_t{4096};
    }();
    return size;
  }

  std::filesystem::path fileName_;
  std::vector<Section> sections_;  // sections_[0] holds the lines before the first header
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
  std::string newline_ = "\r\n";
  std::int64_t fileSize_ = 0;
  std::optional<FileIdentity> identity_;  // of the file the model reflects; empty when absent
  bool unreadable_ = false;
  bool readOnly_ = false;
  int loadError_ = 0;
  bool reloadNeeded_ = false;
  bool dirty_ = false;  // the file holds growth room or padding
  int descriptor_ = -1;
  unsigned temporaryCounter_ = 0;
};

TIniFile::TIniFile(std::filesystem::path fileName)
    : document_(std::make_unique<Document>(std::move(fileName))) {}
TIniFile::~TIniFile() = default;
TIniFile::TIniFile(TIniFile&&) noexcept = default;
TIniFile& TIniFile::operator=(TIniFile&&) noexcept = default;

const std::filesystem::path& TIniFile::FileName() const { return document_->FileName(); }

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const Line* line = document_->Find(section, key);
  return std::string(line == nullptr ? defaultValue : ValueOf(line->text));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
  return ParseIniInteger(ReadString(section, key, ""), defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return document_->HasSection(section);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return document_->Find(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  return document_->Keys(section);
}

std::vector<std::string> TIniFile::ReadSections() const { return document_->SectionNames(); }

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  document_->Write(section, key, value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  document_->Write(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  document_->Write(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() { document_->UpdateFile(); }

}  // namespace vk::platform

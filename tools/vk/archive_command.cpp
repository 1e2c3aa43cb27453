// vk archive: archives in the expander's format, for people on the host.
//   create ARCHIVE PATH... [--method lzh|rle|none] [--key K] [-C FOLDER]
//   list ARCHIVE
//   extract ARCHIVE [NAME...] [-C FOLDER] [--key K] [--unsafe-paths]
//   test ARCHIVE [--key K]
//
// Paths on the command line are host paths. Entry names are the paths of
// the files relative to FOLDER, in Windows-1252 with "\" between folders.
// Extraction writes below FOLDER only: a name that begins with "\" or holds
// ".." is refused before anything is written, unless --unsafe-paths.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "compress/archive_exceptions.h"
#include "compress/archive_format.h"
#include "compress/archive_writer.h"
#include "compress/archiver.h"
#include "platform/code_page.h"
#include "platform/path_case.h"
#include "platform/stream.h"
#include "tools/vk/command_error.h"
#include "tools/vk/commands.h"
#include "tools/vk/host_path_files.h"
#include "tools/vk/terminal_text.h"

namespace vk::cli {
namespace {

namespace fs = std::filesystem;
using compress::ArchiveHeader;
using compress::EntryHeader;
using compress::MethodKind;
using platform::FileMode;
using platform::SeekOrigin;
using platform::TFileStream;
using platform::TStream;

struct Options {
  std::string archive;
  std::vector<std::string> paths;  // create: files and folders; extract: names
  std::string method = "lzh";
  std::optional<std::int32_t> key;
  std::string folder;
  bool unsafePaths = false;
};

// A host path as the file functions take it. Windows-1252 cannot name every
// host file; such a path is refused rather than silently changed.
std::string WindowsForm(const fs::path& host) {
  const std::string utf8 = host.string();
  std::string windows = platform::FromUtf8(utf8);
  if (platform::ToUtf8(windows) != utf8) {
    throw CommandError(utf8 + ": the name has characters outside Windows-1252");
  }
  return windows;
}

fs::path Absolute(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) throw CommandError(path + ": " + error.message());
  return absolute.lexically_normal();
}

fs::path FolderOption(const std::string& folder) {
  return folder.empty() ? fs::current_path() : Absolute(folder);
}

// Runs an action of the expander or the writer, turning their exceptions
// into one line for the terminal.
template <typename Action>
void Reporting(Action action) {
  try {
    action();
  } catch (const platform::Exception& error) {
    throw CommandError(Printable(error.what()));
  }
}

// ---- create

struct Source {
  fs::path host;
  std::string name;
};

std::string EntryNameOf(const fs::path& relative) {
  std::string name = WindowsForm(relative);
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// Each file is named by its path relative to base; one outside it by its
// own name (and a folder's files by the folder's name and their path in it).
// Relative arguments are taken in base, as tar's -C does.
void CollectSources(const std::string& argument, const fs::path& base,
                    std::vector<Source>& sources) {
  // Relative paths are taken in the folder the entries are named from.
  const fs::path path = (base / argument).lexically_normal();
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw CommandError(argument + ": no such file or folder");
  fs::path relative = path.lexically_relative(base);
  if (relative.empty() || *relative.begin() == ".." || relative == ".") {
    relative = relative == "." ? fs::path() : path.filename();
  }
  if (!fs::is_directory(status)) {
    if (!fs::is_regular_file(status)) throw CommandError(argument + ": not a regular file");
    sources.push_back({path, EntryNameOf(relative)});
    return;
  }
  std::vector<fs::path> found;
  for (auto it = fs::recursive_directory_iterator(path, error); !error && it != fs::end(it);
       it.increment(error)) {
    if (it->is_regular_file(error)) found.push_back(it->path());
  }
  if (error) throw CommandError(argument + ": " + error.message());
  // Sorted, so the same folder always gives the same archive.
  std::sort(found.begin(), found.end());
  for (const fs::path& file : found) {
    sources.push_back({file, EntryNameOf(relative / file.lexically_relative(path))});
  }
}

MethodKind MethodOption(const std::string& method) {
  if (method == "none") return MethodKind::mkStored;
  if (method == "rle") return MethodKind::mkRLE;
  return MethodKind::mkLZH;
}

void Create(const Options& options) {
  const fs::path base = FolderOption(options.folder);
  const fs::path archive = Absolute(options.archive);
  std::vector<Source> sources;
  for (const std::string& argument : options.paths) CollectSources(argument, base, sources);
  // The archive being written is not one of its own entries.
  std::erase_if(sources, [&](const Source& source) {
    std::error_code error;
    return fs::equivalent(source.host, archive, error);
  });
  if (sources.empty()) throw CommandError("no files to put into " + archive.string());

  // Setup stops once it has written the archive's total size, so empty
  // files at the end would never come out: they go first.
  std::stable_partition(sources.begin(), sources.end(), [](const Source& source) {
    std::error_code error;
    return fs::file_size(source.host, error) == 0 && !error;
  });
  if (std::all_of(sources.begin(), sources.end(), [](const Source& source) {
        std::error_code error;
        return fs::file_size(source.host, error) == 0;
      })) {
    std::cerr << "vk: warning: every file is empty; setup expands nothing from an archive whose "
                 "total size is 0\n";
  }

  const MethodKind method = MethodOption(options.method);
  HostPathFiles hostFiles(base);
  platform::FileSystem& files = hostFiles.Files();
  // Written beside the archive and moved into place once complete, so a
  // failure never leaves a damaged archive or destroys an older one.
  const fs::path temporary = archive.string() + ".vk-partial";
  const std::string temporaryPath = WindowsForm(temporary);
  const std::string archivePath = WindowsForm(archive);
  try {
    Reporting([&] {
      TFileStream stream(files, temporaryPath, FileMode::kCreate);
      compress::ArchiveWriter writer(stream, compress::MethodId(method));
      for (const Source& source : sources) {
        const EntryHeader header = writer.AddFile(files, WindowsForm(source.host), source.name,
                                                  {.method = method, .key = options.key});
        std::cout << Printable(source.name) << "  " << header.ExpandedSize << " -> "
                  << header.CompressedSize << '\n';
      }
      writer.Finish();
    });
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
  std::error_code error;
  fs::rename(temporary, archive, error);
  if (error) {
    fs::remove(temporary, error);
    throw CommandError(archivePath + ": " + error.message());
  }
}

// ---- reading

struct ListedEntry {
  EntryHeader header;
  std::string name;
  std::int64_t dataAt = 0;
};

struct Listing {
  ArchiveHeader header;
  std::vector<ListedEntry> entries;
  bool dataCut = false;  // the last entry's data ends before its size
};

Listing ReadListing(TStream& archive) {
  Listing listing;
  listing.header = compress::ReadArchiveHeader(archive);
  const std::int64_t size = archive.Size();
  archive.SetPosition(compress::kArchiveHeaderSize);
  ListedEntry entry;
  while (compress::ReadEntryHeader(archive, entry.header, entry.name)) {
    compress::CheckEntryHeader(entry.header);
    entry.dataAt = archive.Position();
    listing.entries.push_back(entry);
    if (entry.dataAt + entry.header.CompressedSize > size) {
      listing.dataCut = true;
      break;
    }
    archive.SetPosition(entry.dataAt + entry.header.CompressedSize);
  }
  return listing;
}

std::string DateText(std::uint32_t fileDate) {
  const compress::DosDateTime value = compress::UnpackDosDateTime(fileDate);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month,
                value.day, value.hour, value.minute, value.second);
  return text;
}

std::string AttributeText(std::uint16_t attributes) {
  std::string text = "----";
  if (attributes & 0x01) text[0] = 'R';
  if (attributes & 0x02) text[1] = 'H';
  if (attributes & 0x04) text[2] = 'S';
  if (attributes & 0x20) text[3] = 'A';
  return text;
}

void WarnAboutTotal(const Listing& listing) {
  std::int64_t sum = 0;
  for (const ListedEntry& entry : listing.entries) sum += entry.header.ExpandedSize;
  if (sum != listing.header.TotalSize) {
    std::cerr << "vk: warning: the header's total size is " << listing.header.TotalSize
              << " bytes but the entries hold " << sum
              << "; setup stops expanding once it has written the total\n";
  }
  if (listing.dataCut) std::cerr << "vk: warning: the archive ends inside the last entry's data\n";
}

// A file opened through the host view; the archive's own path.
struct OpenArchive {
  explicit OpenArchive(const std::string& argument)
      : host(fs::current_path()), files(host.Files()), path(WindowsForm(Absolute(argument))) {}
  HostPathFiles host;
  platform::FileSystem& files;
  std::string path;
};

void List(const Options& options) {
  OpenArchive open(options.archive);
  Reporting([&] {
    TFileStream stream(open.files, open.path, FileMode::kOpenRead);
    const Listing listing = ReadListing(stream);
    std::printf("%10s %10s %-6s %-19s %-4s %-6s %s\n", "expanded", "stored", "method", "date",
                "attr", "locked", "name");
    for (const ListedEntry& entry : listing.entries) {
      const EntryHeader& h = entry.header;
      std::printf("%10d %10d %-6s %-19s %-4s %-6s %s\n", h.ExpandedSize, h.CompressedSize,
                  compress::DescribeMethodByte(h.MethodKind).c_str(), DateText(h.FileDate).c_str(),
                  AttributeText(h.FileAttr).c_str(), h.Locked() ? "locked" : "-",
                  Printable(entry.name).c_str());
    }
    std::printf("%zu entries, method %s, total size %d\n", listing.entries.size(),
                Printable(listing.header.CompressID).c_str(), listing.header.TotalSize);
    std::fflush(stdout);
    WarnAboutTotal(listing);
  });
}

// ---- extract

// Why a name may not be written below the chosen folder, or empty text.
std::string UnsafeReason(std::string_view name, bool unsafePaths) {
  if (name.empty()) return "has no name";
  if (std::any_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
    return "has control characters in its name";
  }
  if (name.find(':') != std::string_view::npos) return "names a drive, which this host has not";
  if (unsafePaths) return {};
  if (name.front() == '\\' || name.front() == '/') {
    return "is an absolute path (give --unsafe-paths to write it there)";
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") {
      return "leads out of the folder with \"..\" (give --unsafe-paths to allow it)";
    }
    start = end + 1;
  }
  return {};
}

bool Wanted(const std::vector<std::string>& names, std::string_view name) {
  return names.empty() || std::any_of(names.begin(), names.end(), [&](const std::string& wanted) {
           return platform::EqualIgnoringCase(wanted, name);
         });
}

void Extract(const Options& options) {
  OpenArchive open(options.archive);
  const fs::path folder = FolderOption(options.folder);
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    throw CommandError(folder.string() + ": no such folder");
  }
  std::vector<std::string> names;
  for (const std::string& name : options.paths) names.push_back(platform::FromUtf8(name));

  Reporting([&] {
    TFileStream stream(open.files, open.path, FileMode::kOpenRead);
    // Every name is judged before anything is written.
    const Listing listing = ReadListing(stream);
    for (const ListedEntry& entry : listing.entries) {
      if (!Wanted(names, entry.name)) continue;
      const std::string reason = UnsafeReason(entry.name, options.unsafePaths);
      if (!reason.empty()) {
        throw CommandError("entry \"" + Printable(entry.name) + "\" " + reason);
      }
    }
    for (const std::string& name : names) {
      if (std::none_of(listing.entries.begin(), listing.entries.end(), [&](const auto& entry) {
            return platform::EqualIgnoringCase(entry.name, name);
          })) {
        throw CommandError("no entry named \"" + Printable(name) + "\" in " + options.archive);
      }
    }

    // Relative names land in the chosen folder, the current folder of the
    // file functions. TargetPath ".\" names it, so that the expander also
    // makes folders of one or two letters ("db\"), which it leaves alone at
    // the start of a path.
    HostPathFiles files(folder);
    compress::TArchiver archiver(files.Files());
    archiver.SetTargetPath(".\\");
    archiver.MakeDirectories = true;
    archiver.ExceptionOnFileError = true;
    archiver.Key = options.key.value_or(0);
    archiver.OnCheckFile = [](std::string& path, compress::TProcessMode) {
      // Windows takes "/" between folders too, but the expander makes
      // folders only up to a "\".
      std::replace(path.begin(), path.end(), '/', '\\');
      std::cout << Printable(path.starts_with(".\\") ? path.substr(2) : path) << '\n' << std::flush;
    };
    compress::NameList written = names;
    archiver.ExpandArchive(stream, names.empty() ? nullptr : &written);
    WarnAboutTotal(listing);
  });
}

// ---- test

// Takes what an entry expands to and keeps only its length and byte sum.
class SummingSink : public TStream {
 public:
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    sum = std::accumulate(bytes, bytes + count, sum);
    size += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, SeekOrigin) override { return size; }

  std::uint32_t sum = 0;
  std::int64_t size = 0;
};

void Test(const Options& options) {
  OpenArchive open(options.archive);
  int failed = 0;
  std::size_t count = 0;
  Reporting([&] {
    TFileStream stream(open.files, open.path, FileMode::kOpenRead);
    const Listing listing = ReadListing(stream);
    HostPathFiles files(fs::current_path());
    compress::TArchiver archiver(files.Files());
    archiver.Key = options.key.value_or(0);
    archiver.MethodKindOf(listing.header.CompressID);
    count = listing.entries.size();
    for (const ListedEntry& entry : listing.entries) {
      const EntryHeader& h = entry.header;
      stream.SetPosition(entry.dataAt);
      SummingSink sink;
      std::string result = "OK";
      try {
        if (h.MethodKind > static_cast<std::uint8_t>(MethodKind::mkCustom)) {
          throw compress::EUnrecognizedCompressionMethod();
        }
        const auto kind = static_cast<MethodKind>(h.MethodKind);
        archiver.ExpandEntry(sink, stream, h.CompressedSize, h.ExpandedSize, kind,
                             listing.header.CompressID, h.Checksum, h.Locked());
        if (kind == MethodKind::mkStored) {
          // Setup takes stored data as it is; the sum is checked here all
          // the same, so a damaged medium shows up.
          const std::uint32_t key = h.Locked() ? static_cast<std::uint32_t>(archiver.Key) : 0;
          if (sink.sum != h.Checksum && sink.sum + key != h.Checksum) {
            result = "BAD CHECKSUM (stored data, which setup does not check)";
          }
        }
        if (result == "OK" && sink.size != h.ExpandedSize) {
          result = "WRONG SIZE: " + std::to_string(sink.size) + " bytes instead of " +
                   std::to_string(h.ExpandedSize);
        }
      } catch (const platform::Exception& error) {
        result = std::string("FAILED: ") + Printable(error.what());
      }
      if (result != "OK") ++failed;
      std::cout << Printable(entry.name) << ": " << result << '\n';
    }
    std::cout << std::flush;
    WarnAboutTotal(listing);
  });
  if (failed > 0) {
    throw CommandError(std::to_string(failed) + " of " + std::to_string(count) +
                       " entries failed the test");
  }
}

}  // namespace

void AddArchiveCommand(CLI::App& app) {
  CLI::App* archive = app.add_subcommand("archive", "Create, list, extract and test archives");
  archive->require_subcommand(1);
  auto options = std::make_shared<Options>();

  CLI::App* create = archive->add_subcommand("create", "Put files and folders into an archive");
  create->add_option("archive", options->archive, "The archive to write")->required();
  create->add_option("paths", options->paths, "Files and folders to put in")->required();
  create->add_option("--method", options->method, "How entries are stored")
      ->check(CLI::IsMember({"lzh", "rle", "none"}));
  create->add_option("--key", options->key, "Lock every entry with this key");
  create->add_option("-C,--directory", options->folder,
                     "Name entries relative to this folder (default: the current folder)");
  create->callback([options] { Create(*options); });

  CLI::App* list = archive->add_subcommand("list", "Show the entries of an archive");
  list->add_option("archive", options->archive, "The archive to read")->required();
  list->callback([options] { List(*options); });

  CLI::App* extract = archive->add_subcommand("extract", "Write the entries of an archive");
  extract->add_option("archive", options->archive, "The archive to read")->required();
  extract->add_option("names", options->paths, "Entries to write (default: all)");
  extract->add_option("-C,--directory", options->folder,
                      "Write into this folder (default: the current folder)");
  extract->add_option("--key", options->key, "Key for locked entries");
  extract->add_flag("--unsafe-paths", options->unsafePaths,
                    "Write entries with absolute names or \"..\" where they point");
  extract->callback([options] { Extract(*options); });

  CLI::App* test = archive->add_subcommand("test", "Expand every entry into nothing and check it");
  test->add_option("archive", options->archive, "The archive to read")->required();
  test->add_option("--key", options->key, "Key for locked entries");
  test->callback([options] { Test(*options); });
}

}  // namespace vk::cli

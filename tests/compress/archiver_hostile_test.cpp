// Damaged and hostile archives end with one of the expander's exceptions or
// quietly at a cut, and never send the walk backwards or past the data.

#include <gtest/gtest.h>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

using vk::platform::TMemoryStream;

enum class Expect {
  kNoException,
  kInvalidHeader,
  kUnrecognizedMethod,
  kInsufficientSpace,
  kReadError,
  kBadChecksum,
};

struct HostileCase {
  const char* why;
  std::function<Bytes()> make;
  Expect expect;
  NameList written = {};  // after a normal return
  std::int64_t free = 1 << 20;
};

// An archive whose first entry header is replaced by header, followed by
// name and data as given, then a good entry b.txt.
Bytes WithRawEntry(EntryHeader header, std::string_view name, std::string_view data,
                   std::optional<std::int32_t> total = std::nullopt) {
  TMemoryStream stream;
  ArchiveWriter writer(stream, "LZH");
  writer.AddRawEntry(header, name, ToBytes(data));
  writer.AddEntry("b.txt", ToBytes("bravo"), {.method = MethodKind::mkStored});
  writer.Finish(total.value_or(1 << 30));
  return stream.Data();
}

EntryHeader Header(std::int16_t nameLength, std::int32_t expanded, std::int32_t compressed,
                   std::uint8_t method = 0) {
  EntryHeader header;
  header.NameLength = nameLength;
  header.ExpandedSize = expanded;
  header.CompressedSize = compressed;
  header.MethodKind = method;
  header.FileAttr = 0x20;
  return header;
}

class HostileTest : public ArchiverTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileTest, EndsCleanly) {
  const HostileCase& test = GetParam();
  machine.Files().CreateDirectories("C:\\out");
  archiver.SetTargetPath("C:\\out");
  files.freeSpace = test.free;
  TMemoryStream stream(test.make());
  NameList names{"a.txt", "b.txt"};
  auto expand = [&] { archiver.ExpandArchive(stream, &names); };
  switch (test.expect) {
    case Expect::kNoException:
      expand();
      EXPECT_EQ(names, test.written);
      return;
    case Expect::kInvalidHeader:
      EXPECT_THROW(expand(), EInvalidHeader);
      break;
    case Expect::kUnrecognizedMethod:
      EXPECT_THROW(expand(), EUnrecognizedCompressionMethod);
      break;
    case Expect::kInsufficientSpace:
      EXPECT_THROW(expand(), EInsufficientDiskSpace);
      break;
    case Expect::kReadError:
      EXPECT_THROW(expand(), vk::platform::EReadError);
      break;
    case Expect::kBadChecksum:
      EXPECT_THROW(expand(), EBadChecksum);
      break;
  }
  EXPECT_FALSE(Exists("C:\\out\\b.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileTest,
    ::testing::Values(
        HostileCase{"negative compressed size",
                    [] { return WithRawEntry(Header(5, 0, -30), "a.txt", ""); },
                    Expect::kInvalidHeader},
        HostileCase{"negative compressed size of a skipped entry",
                    [] { return WithRawEntry(Header(5, 0, -30), "x.txt", ""); },
                    Expect::kInvalidHeader},
        HostileCase{"negative expanded size",
                    [] { return WithRawEntry(Header(5, -1, 0), "a.txt", ""); },
                    Expect::kInvalidHeader},
        HostileCase{"negative name length", [] { return WithRawEntry(Header(-5, 0, 0), "", ""); },
                    Expect::kInvalidHeader},
        HostileCase{"method byte above the custom kind",
                    [] { return WithRawEntry(Header(5, 4, 4, 7), "a.txt", "data"); },
                    Expect::kUnrecognizedMethod},
        HostileCase{"custom entry without OnExpand",
                    [] { return WithRawEntry(Header(5, 4, 4, 3), "a.txt", "data"); },
                    Expect::kUnrecognizedMethod},
        HostileCase{"unknown method byte of a skipped entry is only skipped",
                    [] { return WithRawEntry(Header(5, 4, 4, 200), "x.txt", "data"); },
                    Expect::kNoException, NameList{"C:\\out\\b.txt"}},
        HostileCase{"stored data shorter than declared",
                    [] {
                      Bytes archive = MakeArchive({{"a.txt", "alpha"}});
                      archive.pop_back();
                      return archive;
                    },
                    Expect::kReadError},
        HostileCase{"compressed data cut short",
                    [] {
                      Bytes archive = MakeArchive(
                          {{"a.txt", std::string(3000, 'q') + "tail", MethodKind::mkLZH}});
                      archive.resize(archive.size() - 3);
                      return archive;
                    },
                    Expect::kBadChecksum},
        HostileCase{"LZH entry claiming 2 GB from a few bytes",
                    [] { return WithRawEntry(Header(5, 0x7FFFFFFF, 4, 2), "a.txt", "data"); },
                    Expect::kInsufficientSpace},
        HostileCase{"skipped entry with a size beyond the file",
                    [] { return WithRawEntry(Header(5, 0, 0x7FFFFFFF), "x.txt", ""); },
                    Expect::kNoException, NameList{}},
        HostileCase{"name length beyond the file",
                    [] {
                      Bytes archive = MakeArchive({});
                      auto header = EncodeEntryHeader(Header(32767, 1, 1));
                      archive.insert(archive.end(), header.begin(), header.end());
                      archive.insert(archive.end(), 100, 'n');
                      return archive;
                    },
                    Expect::kNoException, NameList{}},
        HostileCase{"TotalSize larger than the entries",
                    [] {
                      return MakeArchive({{"a.txt", "alpha"}, {"b.txt", "bravo"}}, "NON", 1 << 30);
                    },
                    Expect::kNoException, NameList{"C:\\out\\a.txt", "C:\\out\\b.txt"}},
        HostileCase{"negative TotalSize",
                    [] {
                      return MakeArchive({{"a.txt", "alpha"}}, "NON", -5);
                    },
                    Expect::kNoException, NameList{}},
        HostileCase{"entry sizes whose sum passes 2 GB end the walk",
                    [] {
                      TMemoryStream stream;
                      ArchiveWriter writer(stream, "NON");
                      writer.AddEntry("a.txt", ToBytes("alpha"), {.method = MethodKind::mkStored});
                      // A stored entry that claims 2 GB and holds nothing.
                      writer.AddRawEntry(Header(5, 0x7FFFFFFF, 0, 0), "a.txt", Bytes{});
                      writer.AddEntry("b.txt", ToBytes("bravo"), {.method = MethodKind::mkStored});
                      writer.Finish(0x7FFFFFFF);
                      return stream.Data();
                    },
                    Expect::kNoException, NameList{"C:\\out\\a.txt", "C:\\out\\a.txt"},
                    std::int64_t{1} << 40}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.why)) name += std::isalnum(c) ? c : '_';
      return name;
    });

}  // namespace
}  // namespace vk::compress::testing

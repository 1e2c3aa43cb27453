// The writer lays out exactly the format the expander reads, and refuses
// what the format cannot hold before it writes anything.

#include <gtest/gtest.h>

#include "compress/archive_exceptions.h"
#include "tests/compress/archiver_fixture.h"

namespace vk::compress::testing {
namespace {

using vk::platform::TMemoryStream;

TEST(ArchiveWriterTest, StoredEntryHasTheFormatsExactBytes) {
  TMemoryStream stream;
  ArchiveWriter writer(stream, "NON");
  writer.AddEntry("a.txt", ToBytes("hi"),
                  {.method = MethodKind::mkStored, .fileDate = 0x5A2B6C35, .fileAttr = 0x21});
  writer.Finish();
  const Bytes expected = {0x53,      0x50, 0x49, 0x53, 0x1A, 'N', 'O', 'N',
                          2,         0,    0,    0,    1,                  // header
                          0,         0,    0,    0,    0,    0,   0,   0,  // reserved
                          5,         0,                                    // NameLength
                          0x35,      0x6C, 0x2B, 0x5A,                     // FileDate
                          0x21,      0x00,                                 // FileAttr
                          2,         0,    0,    0,                        // ExpandedSize
                          2,         0,    0,    0,                        // CompressedSize
                          0,                                               // MethodKind
                          'h' + 'i', 0,    0,    0,                        // Checksum
                          0,         0,    0,    0,                        // LockFlag
                          'a',       '.',  't',  'x',  't',  'h', 'i'};
  EXPECT_EQ(stream.Data(), expected);
}

TEST(ArchiveWriterTest, HeadersCarrySizesChecksumsAndLocks) {
  const std::string data(5000, 'z');
  TMemoryStream stream;
  ArchiveWriter writer(stream, "LZH");
  const EntryHeader lzh = writer.AddEntry("a", ToBytes(data), {.method = MethodKind::mkLZH});
  const EntryHeader rle =
      writer.AddEntry("b", ToBytes(data), {.method = MethodKind::mkRLE, .key = 1000});
  writer.Finish();
  EXPECT_EQ(writer.TotalSize(), 10000);

  const std::uint32_t sum = 5000u * 'z';
  EXPECT_EQ(lzh.Checksum, sum);
  EXPECT_FALSE(lzh.Locked());
  EXPECT_EQ(rle.Checksum, sum + 1000);
  EXPECT_TRUE(rle.Locked());
  EXPECT_LT(lzh.CompressedSize, 200);

  // Read back, the headers are what AddEntry returned.
  stream.SetPosition(0);
  const ArchiveHeader header = ReadArchiveHeader(stream);
  EXPECT_EQ(header.CompressID, "LZH");
  EXPECT_EQ(header.TotalSize, 10000);
  for (const EntryHeader& written : {lzh, rle}) {
    EntryHeader read;
    std::string name;
    ASSERT_TRUE(ReadEntryHeader(stream, read, name));
    EXPECT_EQ(EncodeEntryHeader(read), EncodeEntryHeader(written));
    stream.Seek(read.CompressedSize, vk::platform::SeekOrigin::kCurrent);
  }
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(ArchiveWriterTest, RefusesWhatTheFormatCannotHoldAndLeavesTheArchiveAsItWas) {
  TMemoryStream stream;
  ArchiveWriter writer(stream, "LZH");
  writer.AddEntry("a", ToBytes("keep"));
  const Bytes before = stream.Data();
  EXPECT_THROW(writer.AddEntry("", ToBytes("x")), EArchiveWriteError);
  EXPECT_THROW(writer.AddEntry(std::string(32768, 'n'), ToBytes("x")), EArchiveWriteError);
  EXPECT_THROW(writer.AddEntry("c", ToBytes("x"), {.method = MethodKind::mkCustom}),
               EArchiveWriteError);
  TMemoryStream empty;
  EXPECT_THROW(writer.AddEntry("d", empty, std::int64_t{1} << 31), EArchiveWriteError);
  EXPECT_EQ(stream.Data(), before);
  EXPECT_NO_THROW(writer.AddEntry(std::string(32767, 'n'), ToBytes("x")));

  TMemoryStream other;
  EXPECT_THROW(ArchiveWriter(other, "LZHX"), EArchiveWriteError);
}

TEST(ArchiveWriterTest, SourceShorterThanDeclaredIsAReadError) {
  TMemoryStream stream;
  ArchiveWriter writer(stream, "LZH");
  for (MethodKind method : {MethodKind::mkStored, MethodKind::mkLZH}) {
    TMemoryStream source(ToBytes("short"));
    EXPECT_THROW(writer.AddEntry("a", source, 10, {.method = method}), vk::platform::EReadError);
  }
}

TEST_F(ArchiverTest, AddFileTakesTheFilesDateAndAttributes) {
  vk::testing::WriteFile(machine.DriveC() / "src" / "app.exe", "program");
  const std::uint32_t date = PackDosDateTime({2001, 2, 3, 4, 5, 6});
  ASSERT_TRUE(machine.Files().SetFileDosTime("C:\\src\\app.exe", date >> 16, date & 0xFFFF));
  ASSERT_TRUE(machine.Files().SetFileAttributes("C:\\src\\app.exe", 0x21));
  TMemoryStream stream;
  ArchiveWriter writer(stream, "LZH");
  const EntryHeader header = writer.AddFile(machine.Files(), "C:\\src\\app.exe", "bin\\app.exe");
  writer.Finish();
  EXPECT_EQ(header.FileDate, date);
  EXPECT_EQ(header.FileAttr, 0x21);
  EXPECT_EQ(header.ExpandedSize, 7);
  EXPECT_EQ(header.MethodKind, static_cast<std::uint8_t>(MethodKind::mkLZH));

  archiver.MakeDirectories = true;
  archiver.SetTargetPath("C:\\dest");
  archiver.ExpandArchive(stream);
  EXPECT_EQ(Content("C:\\dest\\bin\\app.exe"), "program");
  EXPECT_EQ(ModificationTime(Host("C:\\dest\\bin\\app.exe")), LocalTimeOf(date));
}

TEST(DosDateTimeTest, PacksAndClampsHostTimes) {
  EXPECT_EQ(PackDosDateTime({2025, 1, 11, 13, 33, 42}), 0x5A2B6C35u);
  const DosDateTime back = UnpackDosDateTime(0x5A2B6C35);
  EXPECT_EQ(back.year, 2025);
  EXPECT_EQ(back.second, 42);
  EXPECT_EQ(DosDateTimeFromUnix(0), PackDosDateTime({}));  // 1970 is before DOS time
  EXPECT_EQ(UnpackDosDateTime(DosDateTimeFromUnix(std::int64_t{1} << 40)).year, 2107);
}

}  // namespace
}  // namespace vk::compress::testing

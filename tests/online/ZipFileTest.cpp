// The ZIP reader against archives written by Python's zipfile.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "base/AtomicFile.h"
#include "online/ZipFile.h"
#include "support/AllocationProbe.h"
#include "support/PythonZip.h"
#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

std::string Slurp(const fs::path& p) { return ReadWholeFile(p, 1 << 26).value_or("<missing>"); }

uint32_t U32At(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// Offset of the n-th (0-based) occurrence of a little-endian signature.
size_t NthSignature(const std::string& s, uint32_t sig, int n) {
  for (size_t at = 0; at + 4 <= s.size(); ++at)
    if (U32At(s, at) == sig && n-- == 0) return at;
  return std::string::npos;
}

// The message the extraction refused with; "unpacked" when it did not.
std::string ExtractionRefusal(const fs::path& zip, const fs::path& dest) {
  try {
    ExtractZipToFolder(zip, dest);
  } catch (const EZipFileError& e) {
    return e.what();
  }
  return "unpacked";
}

const std::vector<PyZipMember> kRelease = {
    {"readme.txt", "Tessary release notes\r\nline two\r\n"},
    {"sub/", ""},
    {"sub/file.txt", std::string(5000, 'a') + "tail"},
    {"data.bin", RandomBytes(70000, 7)},
    {"stored.bin", RandomBytes(3000, 9), true},
    {"empty.txt", ""},
    {"sub/deeper/compressible.txt", std::string(200000, 'x')},
};

}  // namespace

TEST(ZipFile, ArchivesFromPythonExtractByteIdentical) {
  const struct {
    const char* what;
    PyZipLayout layout;
  } cases[] = {{"plain", PyZipLayout::Plain}, {"streamed with data descriptors", PyZipLayout::Streamed},
               {"streamed with ZIP64 data descriptors", PyZipLayout::StreamedZip64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    MakePythonZip(zip, kRelease, c.layout);
    TZipFile z;
    z.LoadFromFile(zip);
    ASSERT_EQ(z.Count(), static_cast<int>(kRelease.size()));
    EXPECT_EQ(z.CentralEntries.size(), kRelease.size());
    EXPECT_TRUE(z.HasEndRecord);
    EXPECT_EQ(z.EndRecord.TotalEntries, kRelease.size());
    for (int i = 0; i < z.Count(); ++i) EXPECT_EQ(z.Name(i), kRelease[static_cast<size_t>(i)].name);

    const fs::path dest = tmp.Path() / "not" / "yet";
    ExtractZipToFolder(zip, dest);
    for (const auto& m : kRelease) {
      const fs::path p = dest / "pack" / m.name;
      if (m.name.back() == '/') {
        EXPECT_TRUE(fs::is_directory(p)) << m.name;
        continue;
      }
      EXPECT_EQ(Slurp(p), m.bytes) << m.name;
    }
  }
}

// Members packed on Unix carry their permissions: a program or script
// arrives executable; only the execute bits are taken (no set-user-ID), and a
// member without stored permissions gets none.
TEST(ZipFile, ExecutableMembersArriveExecutable) {
  using P = fs::perms;
  const P x = P::owner_exec | P::group_exec | P::others_exec;
  const struct {
    PyZipMember member;
    P exec;
  } rows[] = {
      {{"run.sh", "#!/bin/sh\n", false, 0755}, x},
      {{"owner.sh", "#!/bin/sh\n", true, 0700}, P::owner_exec},
      {{"setuid", "binary", false, 04755}, x},
      {{"lib.so", "library", false, 0644}, P::none},
      {{"notes.txt", "text"}, P::none},
      {{"sub/tool", "binary", false, 0750}, P::owner_exec | P::group_exec},
  };
  std::vector<PyZipMember> members;
  for (const auto& r : rows) members.push_back(r.member);
  for (const PyZipLayout layout : {PyZipLayout::Plain, PyZipLayout::Streamed}) {
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    MakePythonZip(zip, members, layout);
    ExtractZipToFolder(zip, tmp.Path());
    for (const auto& r : rows) {
      const fs::path p = tmp.Path() / "pack" / r.member.name;
      EXPECT_EQ(Slurp(p), r.member.bytes) << r.member.name;
      const P perms = fs::status(p).permissions();
      EXPECT_EQ(perms & x, r.exec) << r.member.name;
      EXPECT_EQ(perms & P::set_uid, P::none) << r.member.name;
    }
  }
}

// Writers streaming ZIP64 members leave the local sizes zero or all ones
// (Python before and since 3.11.4); either way the directory's sizes serve
// and the 8-byte sizes of the data descriptor are read past.
TEST(ZipFile, StreamedZip64MembersReadWhateverTheirLocalSizes) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "pack.zip";
  MakePythonZip(zip, kRelease, PyZipLayout::StreamedZip64);
  for (const char fill : {'\0', '\xFF'}) {
    SCOPED_TRACE(static_cast<int>(fill));
    std::string bytes = Slurp(zip);
    for (int n = 0; n < static_cast<int>(kRelease.size()); ++n) {
      const size_t at = NthSignature(bytes, 0x04034B50, n);
      ASSERT_NE(at, std::string::npos);
      if (kRelease[static_cast<size_t>(n)].name.back() == '/') continue;
      ASSERT_EQ(bytes[at + 6] & 8, 8);  // sizes in a data descriptor
      bytes.replace(at + 18, 8, 8, fill);
    }
    TZipFile z;
    z.LoadFromBytes(bytes);
    ASSERT_EQ(z.Count(), static_cast<int>(kRelease.size()));
    for (int i = 0; i < z.Count(); ++i) EXPECT_EQ(z.GetUncompressed(i), kRelease[static_cast<size_t>(i)].bytes);
  }
}

// Names without the UTF-8 flag are code page 437 when packed on DOS or
// Windows (as Python's zipfile decodes them); names packed on Unix keep their
// bytes, as Info-ZIP's zip writes UTF-8 names there without the flag.
TEST(ZipFile, MemberNamesArriveInTheEncodingTheirArchiverUsed) {
  std::string high;  // every byte 0x80..0xFF, in four names short enough for a file system
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  const std::string decoded = CommandOutput(
      "python3 -c \"import sys; sys.stdout.buffer.write(bytes(range(128, 256)).decode('cp437').encode())\"");
  ASSERT_EQ(decoded.size(), 2 * 66u + 3 * 62u) << "python3 gave " << decoded;
  const std::string gruesse = "Gr\xC3\xBC\xC3\x9F" "e.txt";
  const struct {
    const char* what;
    std::string raw;  // the name's bytes in the archive
    int host;         // the system the archive names as its maker
    bool utf8_flag;
    std::string expected;
  } cases[] = {
      {"DOS, code page 437", high.substr(0, 64), 0, false, ""},
      {"NTFS, code page 437", high.substr(64), 11, false, ""},
      {"Unix, UTF-8 without the flag", gruesse, 3, false, gruesse},
      {"DOS, UTF-8 with the flag", gruesse, 0, true, gruesse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "names.zip";
    const std::string placeholder(c.raw.size(), 'N');
    MakePythonZip(zip, {{placeholder, "content"}});
    std::string bytes = Slurp(zip);
    const size_t local = NthSignature(bytes, 0x04034B50, 0), central = NthSignature(bytes, 0x02014B50, 0);
    ASSERT_NE(central, std::string::npos);
    bytes.replace(local + 30, c.raw.size(), c.raw);
    bytes.replace(central + 46, c.raw.size(), c.raw);
    bytes[central + 5] = static_cast<char>(c.host);
    for (const size_t flags : {local + 6, central + 8})
      bytes[flags + 1] = static_cast<char>(c.utf8_flag ? bytes[flags + 1] | 8 : bytes[flags + 1] & ~8);
    ASSERT_TRUE(WriteFileAtomic(zip, bytes));

    const std::string expected =
        !c.expected.empty() ? c.expected
        : c.host == 0       ? decoded.substr(0, decoded.find("\xE2\x94\x94"))  // before U+2514, byte 0xC0
                            : decoded.substr(decoded.find("\xE2\x94\x94"));
    ExtractZipToFolder(zip, tmp.Path() / "out");
    EXPECT_EQ(Slurp(tmp.Path() / "out" / "names" / expected), "content");
    TZipFile z;
    z.LoadFromFile(zip);
    EXPECT_EQ(z.Name(0), expected);
  }
}

TEST(ZipFile, ChangedCrcStopsAtThatMember) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "pack.zip";
  MakePythonZip(zip, {{"a.txt", "first"}, {"b.txt", "second member"}, {"c.txt", "third"}});
  std::string bytes = Slurp(zip);
  const size_t second = NthSignature(bytes, 0x04034B50, 1);
  ASSERT_NE(second, std::string::npos);
  bytes[second + 14] = static_cast<char>(bytes[second + 14] ^ 0x5A);  // CRC-32 of the local header
  ASSERT_TRUE(WriteFileAtomic(zip, bytes));

  try {
    ExtractZipToFolder(zip, tmp.Path() / "out");
    FAIL() << "no CRC error";
  } catch (const EZipFileCRCError& e) {
    EXPECT_STREQ(e.what(), "CRC Error in \"b.txt\".");
  }
  EXPECT_EQ(Slurp(tmp.Path() / "out" / "pack" / "a.txt"), "first");
  EXPECT_FALSE(fs::exists(tmp.Path() / "out" / "pack" / "b.txt"));
}

TEST(ZipFile, MemberNamesLeavingTheFolderRefuseTheArchive) {
  const char* unsafe[] = {"../evil.txt", "sub/../../evil.txt", "/evil.txt", "C:/evil.txt", "..\\evil.txt"};
  for (const char* name : unsafe) {
    SCOPED_TRACE(name);
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    MakePythonZip(zip, {{"good.txt", "fine"}, {name, "escaped"}});
    const fs::path dest = tmp.Path() / "deep" / "dest";
    EXPECT_THROW(ExtractZipToFolder(zip, dest), EZipFileError);
    EXPECT_FALSE(fs::exists(dest / "pack" / "good.txt"));
    for (const auto& e : fs::recursive_directory_iterator(tmp.Path()))
      EXPECT_NE(e.path().filename(), "evil.txt") << e.path();
  }
  for (const char* safe : {"a..b.txt", "sub/..hidden", "x/y/z.txt"}) EXPECT_TRUE(IsSafeMemberName(safe)) << safe;
}

// A link already in the target folder must not lead members out of it.
TEST(ZipFile, LinksInTheTargetFolderRefuseTheArchive) {
  const struct {
    const char* link;  // below dest, pointing to the outside folder or file
    bool file;
    const char* message;
  } rows[] = {
      {"pack", false, "The folder \"pack\" in the target is a link; the archive is refused."},
      {"pack/sub", false, "The folder \"pack/sub\" in the target is a link; the archive is refused."},
      {"pack/good.txt", true, "The file \"pack/good.txt\" in the target is a link; the archive is refused."},
      {"pack/sub/inner.txt", true, "The file \"pack/sub/inner.txt\" in the target is a link; the archive is refused."},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.link);
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    MakePythonZip(zip, {{"good.txt", "fine"}, {"sub/inner.txt", "inner"}});
    const fs::path dest = tmp.Path() / "dest", outside = tmp.Path() / "outside";
    fs::create_directories(outside);
    fs::create_directories((dest / r.link).parent_path());
    if (r.file) {
      ASSERT_TRUE(WriteFileAtomic(outside / "victim.txt", "the user's"));
      fs::create_symlink(outside / "victim.txt", dest / r.link);
    } else {
      fs::create_directory_symlink(outside, dest / r.link);
    }
    EXPECT_EQ(ExtractionRefusal(zip, dest), r.message);
    if (r.file)
      EXPECT_EQ(Slurp(outside / "victim.txt"), "the user's");
    else
      EXPECT_TRUE(fs::is_empty(outside));
  }
}

// A method the reader cannot unpack is known from the headers alone: the
// archive is refused before anything is written, not half unpacked.
TEST(ZipFile, MemberOfUnknownMethodRefusesTheArchiveBeforeWriting) {
  const struct {
    uint8_t method;
    const char* message;
  } rows[] = {
      {12, "Compression method 12 of member \"b.bin\" is not supported."},  // bzip2
      {14, "Compression method 14 of member \"b.bin\" is not supported."},  // LZMA
      {99, "Compression method 99 of member \"b.bin\" is not supported."},  // AES
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.message);
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    MakePythonZip(zip, {{"a.txt", "first"}, {"sub/", ""}, {"b.bin", "second"}, {"c.txt", "third"}});
    std::string bytes = Slurp(zip);
    const size_t b = NthSignature(bytes, 0x04034B50, 2);
    ASSERT_NE(b, std::string::npos);
    bytes[b + 8] = static_cast<char>(r.method);
    ASSERT_TRUE(WriteFileAtomic(zip, bytes));
    const fs::path dest = tmp.Path() / "dest";
    EXPECT_EQ(ExtractionRefusal(zip, dest), r.message);
    EXPECT_TRUE(fs::is_directory(dest));
    EXPECT_TRUE(fs::is_empty(dest));
  }
}

// Names that cannot all be written (a file where another member needs a
// folder, a name that is no file) refuse the archive before anything is
// written.
TEST(ZipFile, MemberNamesThatCannotAllBeWrittenRefuseTheArchiveBeforeWriting) {
  const std::string kLongName = "x/" + std::string(256, 'y'), kLongestName = "x/" + std::string(255, 'y');
  const struct {
    std::vector<const char*> names;  // after "first.txt"
    std::string message;             // empty: unpacks
  } rows[] = {
      {{"a", "a/b.txt"}, "The member \"a\" is a file where other members need a folder; the archive is refused."},
      {{"a/b.txt", "a"}, "The member \"a\" is a file where other members need a folder; the archive is refused."},
      {{"sub/", "sub"}, "The member \"sub\" is a file where other members need a folder; the archive is refused."},
      {{"x/y/", "x"}, "The member \"x\" is a file where other members need a folder; the archive is refused."},
      {{"d\\e.txt", "d"}, "The member \"d\" is a file where other members need a folder; the archive is refused."},
      {{"."}, "The member name \".\" is not a file name; the archive is refused."},
      {{"x/."}, "The member name \"x/.\" is not a file name; the archive is refused."},
      {{kLongName.c_str()}, "The member name \"x/" + std::string(256, 'y') + "\" is too long; the archive is refused."},
      {{kLongestName.c_str()}, ""},
      {{"a/", "a/b.txt", "./a/c.txt", "a//d.txt"}, ""},
      {{"same.txt", "./same.txt"}, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.names.back());
    TemporaryFolder tmp;
    const fs::path zip = tmp.Path() / "pack.zip";
    std::vector<PyZipMember> members = {{"first.txt", "first"}};
    for (const char* name : r.names) members.push_back({name, std::string(name).back() == '/' ? "" : "data"});
    MakePythonZip(zip, members);
    const fs::path dest = tmp.Path() / "dest";
    if (r.message.empty()) {
      EXPECT_NO_THROW(ExtractZipToFolder(zip, dest));
      EXPECT_EQ(Slurp(dest / "pack" / "first.txt"), "first");
      continue;
    }
    EXPECT_EQ(ExtractionRefusal(zip, dest), r.message);
    EXPECT_TRUE(fs::is_empty(dest));
  }
}

TEST(ZipFile, UnsupportedArchivesAreRefusedClearly) {
  TemporaryFolder tmp;
  const fs::path zip64 = tmp.Path() / "big.zip";
  MakePythonZip(zip64, {{"a.txt", "content"}}, PyZipLayout::Zip64);
  TZipFile z;
  try {
    z.LoadFromFile(zip64);
    z.GetUncompressed(0);
    FAIL() << "ZIP64 accepted";
  } catch (const EZipFileError& e) {
    EXPECT_STREQ(e.what(), "ZIP64 archives are not supported.");
  }

  const fs::path plain = tmp.Path() / "plain.zip";
  MakePythonZip(plain, {{"secret.txt", "content"}});
  std::string bytes = Slurp(plain);
  bytes[6] = static_cast<char>(bytes[6] | 1);  // the encryption flag
  try {
    z.LoadFromBytes(bytes);
    FAIL() << "encrypted member accepted";
  } catch (const EZipFileError& e) {
    EXPECT_STREQ(e.what(), "Encrypted member \"secret.txt\" is not supported.");
  }
  bytes = Slurp(plain);
  bytes[8] = 12;  // bzip2
  z.LoadFromBytes(bytes);
  EXPECT_THROW(z.GetUncompressed(0), EZipFileError);
}

// The archive's comment, put after Python's end record, is read back as
// written. One holding an end record of its own (at a place its length does
// not reach the end from) must not be taken for the real one: the members
// with data descriptors take their sizes from the real directory.
TEST(ZipFile, ArchiveCommentsAreReadAndNeverTakenForTheEndRecord) {
  const std::string fake_end = std::string("PK\x05\x06", 4) + std::string(4, '\0') +
                               std::string("\x01\x00\x01\x00\x0A\x00\x00\x00\x3F\x42\x0F\x00\x00\x00", 14);
  const std::string comments[] = {"", "release 1.0.0.2", "note " + fake_end + " and a line after it"};
  for (const PyZipLayout layout : {PyZipLayout::Plain, PyZipLayout::Streamed}) {
    TemporaryFolder python;
    MakePythonZip(python.Path() / "pack.zip", kRelease, layout);
    for (const std::string& comment : comments) {
      SCOPED_TRACE(std::to_string(comment.size()) + (layout == PyZipLayout::Plain ? " plain" : " streamed"));
      TemporaryFolder tmp;
      const fs::path zip = tmp.Path() / "pack.zip";
      std::string bytes = Slurp(python.Path() / "pack.zip");
      ASSERT_EQ(U32At(bytes, bytes.size() - 22), 0x06054B50u);
      bytes[bytes.size() - 2] = static_cast<char>(comment.size() & 0xFF);
      bytes[bytes.size() - 1] = static_cast<char>(comment.size() >> 8);
      ASSERT_TRUE(WriteFileAtomic(zip, bytes + comment));
      TZipFile z;
      z.LoadFromFile(zip);
      EXPECT_EQ(z.EndRecord.Comment, comment);
      EXPECT_EQ(z.EndRecord.TotalEntries, kRelease.size());
      ExtractZipToFolder(zip, tmp.Path() / "out");
      for (const auto& m : kRelease) {
        if (m.name.back() == '/') continue;
        EXPECT_EQ(Slurp(tmp.Path() / "out" / "pack" / m.name), m.bytes) << m.name;
      }
    }
  }
}

TEST(ZipFile, IndexChecksAndCrcOfKnownInputs) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "three.zip";
  MakePythonZip(zip, {{"a", "1"}, {"b", "2"}, {"c", "3"}});
  TZipFile z;
  z.LoadFromFile(zip);
  EXPECT_EQ(z.Count(), 3);
  for (int bad : {-1, 3}) {
    try {
      z.GetUncompressed(bad);
      FAIL() << bad;
    } catch (const EZipFileError& e) {
      EXPECT_STREQ(e.what(), "Index out of range.");
    }
  }
  EXPECT_EQ(ZipCrc32(""), 0u);
  EXPECT_EQ(ZipCrc32("123456789"), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(ZipCrc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

// An empty member marked deflated may come without any compressed bytes
// (Python's zipfile and Info-ZIP's unzip read it as an empty file); data that
// is no deflate stream stays refused.
TEST(ZipFile, EmptyDeflatedMemberWithoutAStreamIsAnEmptyFile) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "empty.zip";
  MakePythonZip(zip, {{"e.txt", ""}});
  std::string bytes = Slurp(zip);
  const size_t central = NthSignature(bytes, 0x02014B50, 0), end = NthSignature(bytes, 0x06054B50, 0);
  ASSERT_EQ(U32At(bytes, 18), 2u);  // Python's empty deflate stream
  bytes.replace(18, 4, std::string(4, '\0'));
  bytes.replace(central + 20, 4, std::string(4, '\0'));
  bytes[end + 16] = static_cast<char>(bytes[end + 16] - 2);  // the directory moves up
  bytes.erase(30 + 5, 2);
  ASSERT_TRUE(WriteFileAtomic(zip, bytes));
  ExtractZipToFolder(zip, tmp.Path() / "out");
  EXPECT_EQ(Slurp(tmp.Path() / "out" / "empty" / "e.txt"), "");

  bytes[14] = 1;  // a CRC no empty file has
  bytes[central + 16] = 1;
  TZipFile z;
  z.LoadFromBytes(bytes);
  EXPECT_THROW(z.GetUncompressed(0), EZipFileCRCError);
}

TEST(ZipFile, SurplusCentralEntriesAndNonArchivesAreSafe) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "one.zip";
  MakePythonZip(zip, {{"only.txt", "only"}});
  std::string bytes = Slurp(zip);
  const size_t central = NthSignature(bytes, 0x02014B50, 0);
  const size_t end = NthSignature(bytes, 0x06054B50, 0);
  const std::string entry = bytes.substr(central, end - central);
  bytes.insert(end, entry + entry);
  TZipFile z;
  z.LoadFromBytes(bytes);
  EXPECT_EQ(z.Count(), 1);
  EXPECT_EQ(z.CentralEntries.size(), 1u);
  EXPECT_EQ(z.CentralEntries[0].Name, "only.txt");
  EXPECT_EQ(z.GetUncompressed(0), "only");

  z.LoadFromBytes("not an archive at all, just text");
  EXPECT_EQ(z.Count(), 0);
  const fs::path text = tmp.Write("text.zip", "plain text, no members");
  ExtractZipToFolder(text, tmp.Path() / "made");
  EXPECT_TRUE(fs::is_directory(tmp.Path() / "made"));
  EXPECT_FALSE(fs::exists(tmp.Path() / "made" / "text"));
}

// A damaged first signature must not make the reader start at the second
// member and unpack the rest as if the first had never been there.
TEST(ZipFile, DamagedFirstHeaderRefusesTheArchiveInsteadOfDroppingTheMember) {
  for (const PyZipLayout layout : {PyZipLayout::Plain, PyZipLayout::Streamed}) {
    for (size_t at = 0; at < 4; ++at) {
      SCOPED_TRACE(at);
      TemporaryFolder tmp;
      const fs::path zip = tmp.Path() / "pack.zip";
      MakePythonZip(zip, {{"tessary", "new program"}, {"readme.txt", std::string(400, 'r')}, {"b.bin", "bbb"}},
                    layout);
      std::string bytes = Slurp(zip);
      bytes[at] = static_cast<char>(bytes[at] ^ 0x41);
      ASSERT_TRUE(WriteFileAtomic(zip, bytes));
      const fs::path dest = tmp.Path() / "dest";
      EXPECT_EQ(ExtractionRefusal(zip, dest), "The archive is damaged or incomplete.");
      EXPECT_TRUE(fs::is_empty(dest));
    }
  }
}

// A name is covered by no checksum: a damaged byte in it would unpack the
// member under another name (the program as "tessarx") without a word.
TEST(ZipFile, NamesDifferingFromTheDirectoryRefuseTheArchive) {
  const struct {
    const char* what;
    uint32_t signature;  // of the header whose name is damaged
    int header;          // which of them, 0-based
    size_t name_at;      // where the name starts after the signature
    size_t char_at;      // the character damaged
  } rows[] = {
      {"local name of the first member", 0x04034B50, 0, 30, 6},
      {"local name of the second member", 0x04034B50, 1, 30, 0},
      {"local name of a member in a folder", 0x04034B50, 2, 30, 4},
      {"directory name of the second member", 0x02014B50, 1, 46, 0},
  };
  for (const PyZipLayout layout : {PyZipLayout::Plain, PyZipLayout::Streamed}) {
    for (const auto& r : rows) {
      SCOPED_TRACE(r.what);
      TemporaryFolder tmp;
      const fs::path zip = tmp.Path() / "pack.zip";
      MakePythonZip(zip, {{"tessary", "new program"}, {"readme.txt", "notes"}, {"sub/tool", "tool"}}, layout);
      std::string bytes = Slurp(zip);
      const size_t at = NthSignature(bytes, r.signature, r.header) + r.name_at + r.char_at;
      bytes[at] = static_cast<char>(bytes[at] ^ 0x1F);
      ASSERT_TRUE(WriteFileAtomic(zip, bytes));
      const fs::path dest = tmp.Path() / "dest";
      EXPECT_EQ(ExtractionRefusal(zip, dest), "The archive is damaged or incomplete.");
      EXPECT_TRUE(fs::is_empty(dest));
    }
  }
}

TEST(ZipFile, BitFlipsGiveErrorsNeverCrashes) {
  TemporaryFolder tmp;
  const fs::path zip = tmp.Path() / "small.zip";
  MakePythonZip(zip, {{"a.txt", std::string(300, 'q') + "end"}, {"b.bin", RandomBytes(200, 3), true}});
  const std::string good = Slurp(zip);
  int refused = 0;
  for (size_t at = 0; at < good.size(); ++at) {
    for (int bit : {0, 7}) {
      std::string bad = good;
      bad[at] = static_cast<char>(bad[at] ^ (1 << bit));
      TZipFile z;
      try {
        z.LoadFromBytes(bad);
        for (int i = 0; i < z.Count(); ++i) z.GetUncompressed(i);
      } catch (const EZipFileError&) {
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 100);
}

TEST(ZipFile, MembersNotGivingTheirStatedBytesAndCutArchivesAreRefused) {
  TemporaryFolder tmp;
  const std::string text = std::string(300, 'q') + "end";
  const fs::path zip = tmp.Path() / "pack.zip";
  MakePythonZip(zip, {{"a.txt", text}, {"s.bin", "stored bytes", true}, {"r.bin", RandomBytes(200000, 5)}});
  const std::string good = Slurp(zip);
  const size_t stored = NthSignature(good, 0x04034B50, 1), random = NthSignature(good, 0x04034B50, 2);
  auto put32 = [](std::string& s, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) s[at + static_cast<size_t>(k)] = static_cast<char>(v >> (8 * k));
  };
  // Local header fields: CRC-32 at 14, uncompressed size at 22.
  const struct {
    const char* what;
    std::function<void(std::string&)> damage;
    int member;  // -1: refused on loading
    const char* message;
  } cases[] = {
      {"cut before the central directory", [&](std::string& s) { s.resize(NthSignature(good, 0x02014B50, 0)); }, -1,
       "The archive is damaged or incomplete."},
      {"cut inside the central directory", [&](std::string& s) { s.resize(NthSignature(good, 0x02014B50, 1)); }, -1,
       "The archive is damaged or incomplete."},
      {"deflate data ends before the stated size, CRC field 0",
       [&](std::string& s) { put32(s, 22, static_cast<uint32_t>(text.size() + 100)), put32(s, 14, 0); }, 0,
       "CRC Error in \"a.txt\"."},
      {"a bomb's stated size, CRC field 0", [&](std::string& s) { put32(s, 22, 0x7FFFFFF0), put32(s, 14, 0); }, 0,
       "CRC Error in \"a.txt\"."},
      {"deflate data runs on past the stated size, CRC of the part read",
       [&](std::string& s) {
         put32(s, 22, static_cast<uint32_t>(text.size() - 3));
         put32(s, 14, ZipCrc32(text.substr(0, text.size() - 3)));
       },
       0, "CRC Error in \"a.txt\"."},
      {"stored member shorter than stated, CRC field 0",
       [&](std::string& s) { put32(s, stored + 22, 40), put32(s, stored + 14, 0); }, 1, "CRC Error in \"s.bin\"."},
      // 150 MB could come from 200 kB of deflate data, but this data gives 200 kB.
      {"a size its data could give but does not",
       [&](std::string& s) { put32(s, random + 22, 150000000), put32(s, random + 14, 0); }, 2,
       "CRC Error in \"r.bin\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    c.damage(bytes);
    TZipFile z;
    std::string refusal = "accepted";
    AllocationProbe probe;
    try {
      z.LoadFromBytes(bytes);
      if (c.member >= 0) z.GetUncompressed(c.member);
    } catch (const EZipFileError& e) {
      refusal = e.what();
    }
    EXPECT_EQ(refusal, c.message);
    // Memory follows what the data gives, not what a header claims.
    if (AllocationProbe::Available()) {
      EXPECT_LT(probe.Largest(), size_t{16} << 20);
    }
    // Nothing of a refused archive reaches the folder before the refused member.
    const fs::path damaged = tmp.Path() / "damaged.zip";
    ASSERT_TRUE(WriteFileAtomic(damaged, bytes));
    EXPECT_THROW(ExtractZipToFolder(damaged, tmp.Path() / "out"), EZipFileError);
    if (c.member <= 0) {
      EXPECT_FALSE(fs::exists(tmp.Path() / "out" / "damaged" / "a.txt"));
    }
    fs::remove_all(tmp.Path() / "out");
  }
}

// Name handling: Shift-JIS splitting, confinement to the destination folder,
// wildcards and the Shift-JIS <-> UTF-8 conversion. Non-ASCII text is written as
// byte escapes so that the Windows build (narrow literals in CP932) sees the
// same bytes.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "core/names.h"
#include "platform/platform.h"

namespace {

using fmt::Entry;
using fmt::NameEncoding;
using fmt::NameFixes;

// Shift-JIS characters whose second byte is 0x5C, and their UTF-8 forms.
const char kHyoSjis[] = "\x95\x5C";  // 表
const char kHyoUtf8[] = "\xE8\xA1\xA8";
const char kSoSjis[] = "\x83\x5C";  // ソ
const char kSoUtf8[] = "\xE3\x82\xBD";
const char kJuSjis[] = "\x8F\x5C";  // 十
const char kNouSjis[] = "\x94\x5C";  // 能

Entry sjisEntry(const std::string& name, fmt::EntryKind kind = fmt::EntryKind::File) {
  Entry e;
  e.name = name;
  e.encoding = NameEncoding::ShiftJis;
  e.kind = kind;
  return e;
}

Entry utf8Entry(const std::string& name) {
  Entry e;
  e.name = name;
  e.encoding = NameEncoding::Utf8;
  return e;
}

std::string confine(const Entry& e, NameFixes* f = nullptr, bool keepFolders = true) {
  return fmt::confinedPath(e, keepFolders, f);
}

// The one character model every program, library and engine steps by.
TEST(SjisModel, PairsBrokenPairsAndEnds) {
  EXPECT_EQ(sjis::charLength("\x95\x5C", 0), 2u);  // 表: a 5C trail byte
  EXPECT_EQ(sjis::charLength("\x81/", 0), 1u);      // '/' cannot be a trail byte
  EXPECT_EQ(sjis::charLength(std::string("\x81\0", 2), 0), 1u);
  EXPECT_EQ(sjis::charLength("\x81", 0), 1u);       // a lead byte at the end stands alone
  EXPECT_EQ(sjis::charLength("\xB1", 0), 1u);       // half-width katakana is one byte
  EXPECT_EQ(sjis::charLength("\xFC\xFC", 0), 2u);
  EXPECT_EQ(sjis::charLength("\xFD\x40", 0), 1u);  // FD is no lead byte
  const std::string s = "a\x81/\x95\x5C\x81";
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i = sjis::next(s, i)) starts.push_back(i);
  EXPECT_EQ(starts, (std::vector<size_t>{0, 1, 2, 3, 5}));
  // The engines split by the same rule.
  EXPECT_EQ(fmt::splitName("\x81/b", fmt::NameEncoding::ShiftJis), (std::vector<std::string>{"\x81", "b"}));
}

TEST(SplitName, TrailByte5CIsNeverASeparator) {
  for (const char* c : {kHyoSjis, kSoSjis, kJuSjis, kNouSjis}) {
    const std::string folder = std::string("a") + c;  // the folder name ends in the 5C byte
    const auto parts = fmt::splitName(folder + "\\" + c + ".txt", NameEncoding::ShiftJis);
    ASSERT_EQ(parts.size(), 2u) << folder;
    EXPECT_EQ(parts[0], folder);
    EXPECT_EQ(parts[1], std::string(c) + ".txt");
  }
}

TEST(SplitName, BothSeparatorsAndEmptyComponents) {
  const auto parts = fmt::splitName("/a//b\\c/", NameEncoding::ShiftJis);
  EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "c"}));
  // In UTF-8 there are no trail bytes: 0x5C is always a separator.
  EXPECT_EQ(fmt::splitName("x\\y", NameEncoding::Utf8), (std::vector<std::string>{"x", "y"}));
  // A lead byte as the last byte stays part of its component.
  EXPECT_EQ(fmt::splitName("a\x95", NameEncoding::ShiftJis), (std::vector<std::string>{"a\x95"}));
  // A lead byte before a byte that cannot be a trail does not hide a separator.
  EXPECT_EQ(fmt::splitName("a\x95/b", NameEncoding::ShiftJis), (std::vector<std::string>{"a\x95", "b"}));
  NameFixes f;
  EXPECT_EQ(confine(sjisEntry("\xEF/x"), &f), "\xEF\xBF\xBD/x");
}

TEST(EntryNames, SjisAndUtf8FormsWithFolderMark) {
  Entry folder = sjisEntry(std::string(kSoSjis) + "\\" + kHyoSjis, fmt::EntryKind::Folder);
  EXPECT_EQ(fmt::sjisName(folder), std::string(kSoSjis) + "/" + kHyoSjis);
  EXPECT_EQ(fmt::sjisName(folder, true), std::string(kSoSjis) + "/" + kHyoSjis + "/");
  EXPECT_EQ(fmt::utf8Name(folder, true), std::string(kSoUtf8) + "/" + kHyoUtf8 + "/");
  // A file never gets the mark.
  EXPECT_EQ(fmt::utf8Name(sjisEntry("a\\b"), true), "a/b");
  // UTF-8 names go to Shift-JIS for the libraries.
  EXPECT_EQ(fmt::sjisName(utf8Entry(std::string("d/") + kHyoUtf8)), std::string("d/") + kHyoSjis);
  // A name marked UTF-8 that is not valid UTF-8 is read as Shift-JIS.
  EXPECT_EQ(fmt::utf8Name(utf8Entry(std::string(kSoSjis) + ".txt")), std::string(kSoUtf8) + ".txt");
}

TEST(ConfinedPath, CleanNamesPassUnchanged) {
  NameFixes f;
  EXPECT_EQ(confine(sjisEntry(std::string(kSoSjis) + "\\" + kHyoSjis + ".txt"), &f),
            std::string(kSoUtf8) + "/" + kHyoUtf8 + ".txt");
  EXPECT_FALSE(f.any());
  EXPECT_EQ(confine(utf8Entry("dir/sub/file.tar.gz"), &f), "dir/sub/file.tar.gz");
  EXPECT_FALSE(f.any());
  EXPECT_EQ(confine(sjisEntry("a/b/c.txt"), &f, false), "c.txt");
  EXPECT_FALSE(f.any());
}

TEST(ConfinedPath, RootsAreTakenOff) {
  struct Case {
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"/etc/passwd", "etc/passwd"},
      {"\\Windows\\win.ini", "Windows/win.ini"},
      {"C:\\Windows\\system32\\x.dll", "Windows/system32/x.dll"},
      {"c:relative.txt", "relative.txt"},
      {"\\\\server\\share\\dir\\x", "dir/x"},
      {"//server/share/x", "x"},
      {"\\\\?\\C:\\x\\y", "x/y"},
      {"\\\\?\\UNC\\server\\share\\z", "z"},
      {"\\\\.\\PhysicalDrive0", ""},
  };
  for (const Case& c : cases) {
    NameFixes f;
    EXPECT_EQ(confine(sjisEntry(c.name), &f), c.expected) << c.name;
    EXPECT_TRUE(f.droppedRoot) << c.name;
    EXPECT_FALSE(f.droppedDotDot) << c.name;
  }
}

TEST(ConfinedPath, DotComponentsAreTakenOff) {
  NameFixes f;
  EXPECT_EQ(confine(sjisEntry("../../etc/passwd"), &f), "etc/passwd");
  EXPECT_TRUE(f.droppedDotDot);
  EXPECT_FALSE(f.droppedRoot);
  EXPECT_EQ(confine(sjisEntry("a/./b/../c"), &f), "a/b/c");
  EXPECT_TRUE(f.droppedDotDot);
  EXPECT_EQ(confine(sjisEntry("..\\..\\x"), &f), "x");
  EXPECT_TRUE(f.droppedDotDot);
  // Windows reads "..." as the parent too once it strips the trailing dots.
  EXPECT_EQ(confine(sjisEntry(".../x"), &f), "x");
  EXPECT_TRUE(f.droppedDotDot);
  EXPECT_EQ(confine(sjisEntry("/../.."), &f), "");
  EXPECT_TRUE(f.droppedRoot && f.droppedDotDot);
  // "." changes nothing: an archive of "." names every entry so.
  EXPECT_EQ(confine(sjisEntry("./a/./b"), &f), "a/b");
  EXPECT_FALSE(f.any());
  EXPECT_EQ(confine(sjisEntry("."), &f), "");
  EXPECT_FALSE(f.any());
  // Names that merely contain dots are kept.
  EXPECT_EQ(confine(sjisEntry("..a/.b/c..d"), &f), "..a/.b/c..d");
  EXPECT_FALSE(f.any());
}

TEST(ConfinedPath, ForbiddenAndControlCharactersAreReplaced) {
  NameFixes f;
  EXPECT_EQ(confine(sjisEntry("a<b>c:d\"e|f?g*h"), &f), "a_b_c_d_e_f_g_h");
  EXPECT_TRUE(f.replacedChars);
  EXPECT_FALSE(f.droppedRoot);
  EXPECT_EQ(confine(sjisEntry("\x1b[2J\x07name\x7f"), &f), "_[2J_name_");
  EXPECT_TRUE(f.replacedChars);
  // C1 controls (an eight-bit CSI) are terminal escapes too.
  EXPECT_EQ(confine(utf8Entry("x\xC2\x9B" "1m"), &f), "x_1m");
  EXPECT_TRUE(f.replacedChars);
  // A colon past the start is not a drive.
  EXPECT_EQ(confine(sjisEntry("dir/C:/x"), &f), "dir/C_/x");
  EXPECT_TRUE(f.replacedChars);
  EXPECT_FALSE(f.droppedRoot);
}

TEST(ConfinedPath, TrailingDotsAndBlanksAreStripped) {
  NameFixes f;
  EXPECT_EQ(confine(sjisEntry("dir. /name. . "), &f), "dir/name");
  EXPECT_TRUE(f.replacedChars);
  EXPECT_EQ(confine(sjisEntry("   /x"), &f), "x");
  EXPECT_EQ(confine(sjisEntry(" lead"), &f), " lead");  // leading blanks are legal
  EXPECT_FALSE(f.any());
}

TEST(ConfinedPath, ReservedDeviceNamesAreRenamed) {
  const char* devices[] = {"CON", "prn", "Aux", "nul", "COM1", "com9", "LPT1", "lpt9", "con.txt",
                           "NUL.tar.gz", "aux .c", "CONIN$", "conout$"};
  for (const char* d : devices) {
    NameFixes f;
    EXPECT_EQ(confine(sjisEntry(std::string("dir/") + d), &f), std::string("dir/_") + d) << d;
    EXPECT_TRUE(f.renamedDevice) << d;
  }
  NameFixes f;
  EXPECT_EQ(confine(utf8Entry("COM\xC2\xB9"), &f), "_COM\xC2\xB9");  // superscript one
  EXPECT_TRUE(f.renamedDevice);
  EXPECT_EQ(confine(sjisEntry("CON/x"), &f), "_CON/x");  // a folder component too
  EXPECT_TRUE(f.renamedDevice);
  for (const char* ok : {"COM0", "LPT10", "CONSOLE", "nulls.txt", "xcon", "COM", "aux_"}) {
    EXPECT_EQ(confine(sjisEntry(ok), &f), ok);
    EXPECT_FALSE(f.renamedDevice) << ok;
  }
}

TEST(ConfinedPath, EverythingCombined) {
  NameFixes f;
  const std::string name = std::string("C:\\..\\") + kSoSjis + "\\con.\\a?b. ";
  EXPECT_EQ(confine(sjisEntry(name), &f), std::string(kSoUtf8) + "/_con/a_b");
  EXPECT_TRUE(f.droppedRoot && f.droppedDotDot && f.replacedChars && f.renamedDevice);
  EXPECT_EQ(confine(sjisEntry(name), &f, false), "a_b");
}

TEST(Wildcard, AllMatchesAndComponents) {
  EXPECT_TRUE(fmt::wildcardMatch("*", "dir/sub/file"));
  EXPECT_TRUE(fmt::wildcardMatch("*.*", "noext"));
  EXPECT_TRUE(fmt::wildcardMatch("*.*", "dir/x.txt"));
  EXPECT_TRUE(fmt::wildcardMatch("*.txt", "README.TXT"));
  EXPECT_FALSE(fmt::wildcardMatch("*.txt", "dir/a.txt"));  // '*' stays inside one component
  EXPECT_TRUE(fmt::wildcardMatch("dir/*.txt", "dir/a.txt"));
  EXPECT_TRUE(fmt::wildcardMatch("dir\\*.txt", "dir/a.txt"));
  EXPECT_TRUE(fmt::wildcardMatch("*/*", "a/b"));
  EXPECT_FALSE(fmt::wildcardMatch("a?c", "a/c"));
  EXPECT_TRUE(fmt::wildcardMatch("a?c", "aBc"));
  EXPECT_FALSE(fmt::wildcardMatch("a?c", "ac"));
  EXPECT_FALSE(fmt::wildcardMatch("*.txt", "a.txt.bak"));
  EXPECT_TRUE(fmt::wildcardMatch("*a*a*a*", "banana"));
  EXPECT_FALSE(fmt::wildcardMatch("*a*a*a*a*", "banana"));
  EXPECT_TRUE(fmt::wildcardMatch("", ""));
  EXPECT_FALSE(fmt::wildcardMatch("", "x"));
}

TEST(Wildcard, DosExtensionRule) {
  EXPECT_TRUE(fmt::wildcardMatch("read*.*", "readme"));
  EXPECT_TRUE(fmt::wildcardMatch("a.*", "a"));
  EXPECT_TRUE(fmt::wildcardMatch("a.*", "a.c"));
  EXPECT_FALSE(fmt::wildcardMatch("a.*", "ab"));
}

TEST(Wildcard, WholeShiftJisCharacters) {
  const std::string hyoji = std::string(kHyoSjis) + "\x8E\xA6";  // 表示
  EXPECT_TRUE(fmt::wildcardMatch(std::string(kHyoSjis) + "*", hyoji));
  EXPECT_TRUE(fmt::wildcardMatch("??", hyoji));  // two characters, four bytes
  EXPECT_FALSE(fmt::wildcardMatch("???", hyoji));
  EXPECT_FALSE(fmt::wildcardMatch("????", hyoji));
  // The 5C trail byte is neither a separator nor a backslash in the pattern.
  EXPECT_FALSE(fmt::wildcardMatch("\x95/*", hyoji));
  EXPECT_TRUE(fmt::wildcardMatch(std::string("*") + kSoSjis, std::string("a") + kSoSjis));
  EXPECT_FALSE(fmt::wildcardMatch("*/x", std::string(kSoSjis) + "x"));
  // Trail bytes in the ASCII letter range are not folded: 0x8341 and 0x8361 differ.
  EXPECT_FALSE(fmt::wildcardMatch("\x83\x41", "\x83\x61"));
  EXPECT_TRUE(fmt::wildcardMatch("\x83\x41", "\x83\x41"));
  // Half-width katakana are single bytes.
  EXPECT_TRUE(fmt::wildcardMatch("?\xB2", "\xB1\xB2"));
}

TEST(Conversion, ShiftJisToUtf8) {
  bool exact = false;
  EXPECT_EQ(fmt::platform::sjisToUtf8(std::string(kHyoSjis) + "\x8E\xA6", &exact), "\xE8\xA1\xA8\xE7\xA4\xBA");
  EXPECT_TRUE(exact);
  // Half-width katakana ｱｲｳ.
  EXPECT_EQ(fmt::platform::sjisToUtf8("\xB1\xB2\xB3", &exact), "\xEF\xBD\xB1\xEF\xBD\xB2\xEF\xBD\xB3");
  EXPECT_TRUE(exact);
  // NEC special ① and the wave dash as Windows maps it (U+FF5E).
  EXPECT_EQ(fmt::platform::sjisToUtf8("\x87\x40\x81\x60", &exact), "\xE2\x91\xA0\xEF\xBD\x9E");
  EXPECT_TRUE(exact);
  // 0x5C and 0x7E are the ASCII characters in code page 932.
  EXPECT_EQ(fmt::platform::sjisToUtf8("\\~", &exact), "\\~");
}

TEST(Conversion, UnconvertibleShiftJisBytes) {
  bool exact = true;
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(fmt::platform::sjisToUtf8("a\xFF" "b", &exact), "a" + fffd + "b");
  EXPECT_FALSE(exact);
  // A lead byte followed by a byte that cannot be a trail keeps that byte.
  exact = true;
  EXPECT_EQ(fmt::platform::sjisToUtf8("\x81 x", &exact), fffd + " x");
  EXPECT_FALSE(exact);
  // A lead byte at the very end.
  exact = true;
  EXPECT_EQ(fmt::platform::sjisToUtf8("ab\x95", &exact), "ab" + fffd);
  EXPECT_FALSE(exact);
}

TEST(Conversion, Utf8ToShiftJis) {
  bool exact = false;
  EXPECT_EQ(fmt::platform::utf8ToSjis("\xE3\x82\xBD\xEF\xBD\xB1" "a", &exact), std::string(kSoSjis) + "\xB1" "a");
  EXPECT_TRUE(exact);
  // An emoji has no Shift-JIS form; invalid UTF-8 bytes neither.
  EXPECT_EQ(fmt::platform::utf8ToSjis("x\xF0\x9F\x98\x80y", &exact), "x_y");
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(fmt::platform::utf8ToSjis("\xC3(", &exact), "_(");
  EXPECT_FALSE(exact);
  // Round trip of every double-byte character in the first rows of the JIS set.
  for (unsigned lead = 0x88; lead <= 0x89; ++lead) {
    for (unsigned trail = 0x9F; trail <= 0xFC; ++trail) {
      const std::string s{static_cast<char>(lead), static_cast<char>(trail)};
      EXPECT_EQ(fmt::platform::utf8ToSjis(fmt::platform::sjisToUtf8(s)), s) << std::hex << lead << trail;
    }
  }
}

TEST(Conversion, Utf8Validity) {
  EXPECT_TRUE(fmt::platform::isValidUtf8("plain"));
  EXPECT_TRUE(fmt::platform::isValidUtf8("\xE8\xA1\xA8\xF0\x9F\x98\x80"));
  EXPECT_FALSE(fmt::platform::isValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(fmt::platform::isValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(fmt::platform::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(fmt::platform::isValidUtf8("\xE8\xA1"));          // cut short
  EXPECT_FALSE(fmt::platform::isValidUtf8(kSoSjis));
}

}  // namespace

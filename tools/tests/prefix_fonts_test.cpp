#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// What the runner's prefix (tools/wine-run) must give every window: the symbol font
// caption buttons and the other frame controls are drawn from, and Japanese Gothics
// of the right pitch behind the face names our dialogs ask for. Narrow literals are
// Shift-JIS, as in the suite's own calls.

namespace {

struct Realised {
  std::string face;
  TEXTMETRICA metrics{};
  int narrowWidth = 0;  // "iiii"
  int wideWidth = 0;    // "WWWW"
  bool hasKana = false;
};

Realised realise(const char* face, BYTE charset) {
  LOGFONTA lf{};
  lf.lfHeight = -12;
  lf.lfCharSet = charset;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  Realised r;
  char name[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, name);
  r.face = name;
  GetTextMetricsA(dc, &r.metrics);
  SIZE size{};
  GetTextExtentPoint32A(dc, "iiii", 4, &size);
  r.narrowWidth = size.cx;
  GetTextExtentPoint32A(dc, "WWWW", 4, &size);
  r.wideWidth = size.cx;
  WORD glyph = 0;
  r.hasKana = GetGlyphIndicesW(dc, L"\u30b4", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF;
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return r;
}

int CALLBACK countFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return 1;
}

// Installed families of that name (substitutes do not count).
int installedFamilies(const char* face) {
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  HDC dc = CreateCompatibleDC(nullptr);
  int count = 0;
  EnumFontFamiliesExA(dc, &lf, countFace, reinterpret_cast<LPARAM>(&count), 0);
  DeleteDC(dc);
  return count;
}

// TMPF_FIXED_PITCH set means variable pitch, as GDI has always had it.
bool proportional(const Realised& r) { return (r.metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0; }

}  // namespace

TEST(PrefixFonts, MarlettIsTheRealSymbolFont) {
  EXPECT_GT(installedFamilies("Marlett"), 0);
  Realised r = realise("Marlett", SYMBOL_CHARSET);
  EXPECT_EQ(r.face, "Marlett");
  EXPECT_EQ(r.metrics.tmCharSet, SYMBOL_CHARSET);
}

// Dialog templates name a face and leave the character set to the default, as here.
TEST(PrefixFonts, ProportionalFacesRealiseAProportionalJapaneseGothic) {
  for (const char* face : {"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic", "MS Shell Dlg", "MS Shell Dlg 2"}) {
    SCOPED_TRACE(face);
    Realised r = realise(face, DEFAULT_CHARSET);
    EXPECT_TRUE(proportional(r)) << "realised as " << r.face;
    EXPECT_LT(r.narrowWidth, r.wideWidth) << "realised as " << r.face;
    EXPECT_TRUE(r.hasKana) << "realised as " << r.face;
  }
}

TEST(PrefixFonts, FixedFacesRealiseAFixedPitchJapaneseGothic) {
  for (const char* face : {"ＭＳ ゴシック", "MS Gothic"}) {
    SCOPED_TRACE(face);
    Realised r = realise(face, DEFAULT_CHARSET);
    EXPECT_FALSE(proportional(r)) << "realised as " << r.face;
    EXPECT_EQ(r.narrowWidth, r.wideWidth) << "realised as " << r.face;
    EXPECT_TRUE(r.hasKana) << "realised as " << r.face;
  }
}

// The registry holds the Japanese names as regedit read them: a file it misread would
// leave garbled value names, and the lookups by the real names would fail.
TEST(PrefixFonts, SubstitutesNameInstalledFonts) {
  for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "MS UI Gothic"}) {
    SCOPED_TRACE(face);
    char target[LF_FACESIZE] = {};
    DWORD size = sizeof target;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
                           face, RRF_RT_REG_SZ, nullptr, target, &size),
              ERROR_SUCCESS);
    EXPECT_GT(installedFamilies(target), 0) << target;
  }
}

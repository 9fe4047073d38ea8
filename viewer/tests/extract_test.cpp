// Extraction and self-extracting creation from the main window, through the real
// folder chooser and the real LHA library beside the test: which names reach
// the library, the options, the files on disk, Ctrl held, the last folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "dialogs_resource.h"
#include "folder_tree_resource.h"
#include "lha_workspace.h"
#include "modal_script.h"
#include "core/sources.h"
#include "small_dialogs.h"
#include "sjis.h"
#include "tar/tar_writer.h"

namespace {

const char kExtractCaption[] = "Dexlor - 解凍先のﾌｫﾙﾀﾞを指定してください。";
const char kCreateCaption[] = "Dexlor - 作成先のﾌｫﾙﾀﾞを指定してください。";
const char kResultCaption[] = "結果表示";

struct ChooserChoice {
  bool useFolders = true;
  bool overwriteAll = false;
  bool ignoreDate = false;
};

// Sets the chooser's boxes as a user would (a click on "全て上書き" enables the
// date box) and accepts.
void Choose(HWND chooser, const ChooserChoice& c, std::string* shownPath = nullptr) {
  if (shownPath) *shownPath = ItemText(chooser, IDC_FOLDER_PATH);
  auto set = [&](int id, bool on) {
    if ((IsDlgButtonChecked(chooser, id) == BST_CHECKED) == on) return;
    CheckDlgButton(chooser, id, on ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(chooser, id)));
  };
  set(IDC_USE_FOLDERS, c.useFolders);
  set(IDC_OVERWRITE_ALL, c.overwriteAll);
  set(IDC_IGNORE_DATE, c.ignoreDate);
  Click(chooser, IDC_FOLDER_ACCEPT);
}

}  // namespace

class ExtractionFlow : public LhaWorkspace {
 protected:
  void SetUp() override { SetUpWorkspace("dexlor-extract"); }
  // Extracts through the chooser answered with `c` (its path box into `shown`),
  // then any questions of the library, and returns the result window's text.
  std::string Run(CScriptedViewer& v, const ChooserChoice& c, std::string* shown = nullptr,
                  const std::function<void(ModalScript&)>& libraryQuestions = nullptr) {
    std::string result = "<none>";
    ModalScript script;
    script.then(kExtractCaption, [&](HWND h) { Choose(h, c, shown); });
    if (libraryQuestions) libraryQuestions(script);
    script.then(kResultCaption, [&](HWND h) {
      result = ItemText(h, IDC_TEXT);
      Click(h, IDOK);
    });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXTRACT, BN_CLICKED), 0); });
    EXPECT_TRUE(script.allDone()) << "steps done: " << script.stepsDone();
    for (const std::string& u : script.unexpected) ADD_FAILURE() << "unexpected window: " << u;
    return result;
  }
  // The self-extracting command: the kind dialog answered with `radio` (0:
  // untouched), the chooser looked at by `inChooser` and accepted as it opens;
  // the result window's text.
  std::string MakeSfx(CScriptedViewer& v, int radio, const std::function<void(HWND)>& inChooser = nullptr) {
    std::string result = "<none>";
    ModalScript script;
    script.then("自己解凍書庫の選択", [&](HWND h) {
            if (radio)
              for (int id : {IDC_SFX_WIN95, IDC_SFX_WIN31, IDC_SFX_DOS})
                CheckDlgButton(h, id, id == radio ? BST_CHECKED : BST_UNCHECKED);
            Click(h, IDOK);
          })
        .then(kCreateCaption,
              [&](HWND h) {
                if (inChooser) inChooser(h);
                Click(h, IDC_FOLDER_ACCEPT);
              })
        .then(kResultCaption, [&](HWND h) {
          result = ItemText(h, IDC_TEXT);
          Click(h, IDOK);
        });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_MAKE_SFX, 0); });
    EXPECT_TRUE(script.allDone()) << script.stepsDone();
    for (const std::string& u : script.unexpected) ADD_FAILURE() << "unexpected window: " << u;
    return result;
  }
};

TEST_F(ExtractionFlow, SomeRowsGoByNameAndLandInTheChosenFolder) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_rows.size(), 3u) << "folder entries are not listed";
    int a = RowOf(v, "a.txt"), c = RowOf(v, "sub\\表\\c.txt");
    ASSERT_GE(a, 0);
    ASSERT_GE(c, 0);
    SelectRows(v.list(), {a, c});
    std::string shown;
    std::string result = Run(v, ChooserChoice{}, &shown);
    EXPECT_EQ(sjis::toLower(shown + "\\"), sjis::toLower(dest_)) << "the last folder is selected first";
    EXPECT_NE(result.find("a.txt"), std::string::npos) << result;
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), ReadFile(src_ + "a.txt"));
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt"));
    EXPECT_FALSE(PathExists(dest_ + "sub\\b.txt")) << "an unselected row stays in the archive";
    EXPECT_FALSE(PathExists(dest_ + "empty")) << "names, not *.*: the folder entry is not extracted";
    EXPECT_EQ(sjis::toLower(v.m_settings.lastFolder), sjis::toLower(dest_)) << "kept with its backslash";
  });
}

TEST_F(ExtractionFlow, AllRowsOrNoneMeanEveryEntryFolderEntriesToo) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_SELECT_ALL, 0);
    Run(v, ChooserChoice{});
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), ReadFile(src_ + "a.txt"));
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), ReadFile(src_ + "sub\\b.txt"));
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt"));
    DWORD attrs = GetFileAttributesA((dest_ + "empty").c_str());
    EXPECT_TRUE(attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) << "*.* takes the folder entry";

    // Nothing selected, folders off: every file, straight into the destination.
    RemoveTree(dest_);
    CreateDirectoryA(dest_.c_str(), nullptr);
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_DESELECT_ALL, 0);
    ChooserChoice flat;
    flat.useFolders = false;
    Run(v, flat);
    EXPECT_EQ(ReadFile(dest_ + "b.txt"), ReadFile(src_ + "sub\\b.txt"));
    EXPECT_EQ(ReadFile(dest_ + "c.txt"), ReadFile(src_ + "sub\\表\\c.txt"));
    EXPECT_FALSE(PathExists(dest_ + "sub"));
  });
}

TEST_F(ExtractionFlow, ALoneRowIsSelectedAndExtractedByName) {
  std::string one = work_ + "one.lzh";
  CreateDirectoryA((work_ + "onesrc\\").c_str(), nullptr);
  CreateDirectoryA((work_ + "onesrc\\hidden\\").c_str(), nullptr);
  WriteFile(work_ + "onesrc\\only.txt", "only");
  Lha("a -x1 -r2 \"" + one + "\" \"" + work_ + "onesrc\\\" *.*");
  WithViewer(one, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_rows.size(), 1u);
    EXPECT_EQ(SendMessageA(v.list(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
    Run(v, ChooserChoice{});
    EXPECT_EQ(SendMessageA(v.list(), LVM_GETITEMSTATE, 0, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(ReadFile(dest_ + "only.txt"), "only");
    EXPECT_FALSE(PathExists(dest_ + "hidden")) << "by name: the unlisted folder entry stays";
  });
}

TEST_F(ExtractionFlow, TheOverwriteOptionsReachTheLibrary) {
  // Existing files: a.txt older, b.txt newer, c.txt older and read-only.
  auto prepare = [&] {
    RemoveTree(dest_);
    for (const std::string& d : {dest_, dest_ + "sub\\", dest_ + "sub\\表\\"}) CreateDirectoryA(d.c_str(), nullptr);
    WriteFile(dest_ + "a.txt", "old a");
    SetFileYear(dest_ + "a.txt", 2001);
    WriteFile(dest_ + "sub\\b.txt", "newer b");
    SetFileYear(dest_ + "sub\\b.txt", 2090);
    WriteFile(dest_ + "sub\\表\\c.txt", "old c");
    SetFileYear(dest_ + "sub\\表\\c.txt", 2001);
    SetFileAttributesA((dest_ + "sub\\表\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  };
  WithViewer(archive_, [&](CScriptedViewer& v) {
    ChooserChoice all;
    all.overwriteAll = true;
    prepare();
    Run(v, all);
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), ReadFile(src_ + "a.txt")) << "older: replaced";
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), "newer b") << "newer: kept";
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << "read-only and older: replaced";

    all.ignoreDate = true;
    prepare();
    Run(v, all);
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), ReadFile(src_ + "sub\\b.txt")) << "dates ignored: newer replaced too";

    // Without "全て上書き" the library asks for each file; every answer is no.
    prepare();
    ChooserChoice ask;
    ask.ignoreDate = true;  // the box is disabled without "全て上書き": the click changes nothing
    int questions = 0;
    Run(v, ask, nullptr, [&](ModalScript& s) {
      for (int i = 0; i < 3; i++)
        s.then("上書きの確認", [&](HWND h) {
          questions++;
          Click(h, IDNO);
        });
    });
    EXPECT_EQ(questions, 3);
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), "old a");
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), "newer b");
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), "old c");
  });
}

TEST_F(ExtractionFlow, ControlHeldEndsTheProgramWithoutTheResult) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    ModalScript script;
    script.then(kExtractCaption, [](HWND h) { Choose(h, ChooserChoice{}); });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXTRACT, BN_CLICKED), 0); });
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(script.allDone());
    EXPECT_TRUE(script.unexpected.empty()) << "no result window: " << (script.unexpected.empty() ? "" : script.unexpected[0]);
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), ReadFile(src_ + "sub\\b.txt")) << "the extraction itself ran";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
  });
}

TEST_F(ExtractionFlow, CancelInTheChooserExtractsNothingAndKeepsTheLastFolder) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    ModalScript script;
    script.then(kExtractCaption, [](HWND h) { Click(h, IDCANCEL); });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXTRACT, BN_CLICKED), 0); });
    EXPECT_TRUE(script.allDone());
    EXPECT_TRUE(script.unexpected.empty());
    EXPECT_FALSE(PathExists(dest_ + "a.txt"));
    EXPECT_EQ(v.m_settings.lastFolder, dest_);
  });
}

TEST_F(ExtractionFlow, SelfExtractingAsksTheKindThenTheFolderInCreationMode) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    std::string shown, button;
    bool optionsHidden = false;
    const std::string result = MakeSfx(v, 0, [&](HWND h) {
      shown = ItemText(h, IDC_FOLDER_PATH);
      button = ItemText(h, IDC_FOLDER_ACCEPT);
      optionsHidden = !IsWindowVisible(GetDlgItem(h, IDC_USE_FOLDERS)) &&
                      !IsWindowVisible(GetDlgItem(h, IDC_OVERWRITE_ALL)) &&
                      !IsWindowVisible(GetDlgItem(h, IDC_IGNORE_DATE));
    });
    EXPECT_EQ(sjis::toLower(shown + "\\"), sjis::toLower(work_)) << "the archive's own folder is selected";
    EXPECT_EQ(button, "作成");
    EXPECT_TRUE(optionsHidden);
    EXPECT_EQ(sjis::toLower(v.m_settings.lastFolder + "\\"), sjis::toLower(work_)) << "kept as returned, no backslash";
    EXPECT_NE(result.find("自己解凍書庫を作成しました"), std::string::npos) << result;
    EXPECT_EQ(ReadFile(work_ + "t.exe").substr(0, 2), "MZ") << "the program lies beside the archive";
  });
}

// Each kind through the kind dialog: Windows and DOS make their programs, which
// differ; Windows 3.1 is refused in the result window and makes nothing.
TEST_F(ExtractionFlow, SelfExtractingOfEachKind) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    const std::string dos = MakeSfx(v, IDC_SFX_DOS), dosExe = ReadFile(work_ + "t.exe");
    const std::string win = MakeSfx(v, IDC_SFX_WIN95), winExe = ReadFile(work_ + "t.exe");
    const std::string w31 = MakeSfx(v, IDC_SFX_WIN31);
    EXPECT_EQ(dosExe.substr(0, 2), "MZ") << dos;
    EXPECT_EQ(winExe.substr(0, 2), "MZ") << win;
    EXPECT_GT(winExe.size(), dosExe.size() + 100000) << "the Windows program is the larger one";
    EXPECT_NE(w31.find("Windows 3.1"), std::string::npos) << w31;
    EXPECT_EQ(ReadFile(work_ + "t.exe"), winExe) << "Windows 3.1 writes nothing";
  });
}

// A made program opens in Dexlor as the archive it carries, and extracts.
TEST_F(ExtractionFlow, TheMadeProgramOpensAsItsArchive) {
  for (const char* kind : {"-gw", ""}) {
    SCOPED_TRACE(kind);
    Lha(std::string("s ") + kind + " \"" + archive_ + "\"");
    WithViewer(work_ + "t.exe", [&](CScriptedViewer& v) {
      EXPECT_EQ(v.m_archives.Format(), kFormatLha);
      EXPECT_EQ(v.m_rows.size(), 3u);
      RemoveTree(dest_);
      CreateDirectoryA(dest_.c_str(), nullptr);
      const std::string result = Run(v, ChooserChoice{});
      EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << result;
    });
  }
}

// The same flows over an archive that a real library beside the test made of
// the workspace's files.
class LibraryExtractionFlow : public ExtractionFlow {
 protected:
  virtual const char* Dll() const = 0;
  virtual const char* Prefix() const = 0;
  virtual std::string ArchiveName() const = 0;
  virtual std::string CreateLine() const = 0;  // makes archive_ of src_

  void SetUp() override {
    ExtractionFlow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    lib_ = LoadLibraryA((TestBinFolder() + Dll()).c_str());
    if (!lib_) GTEST_SKIP() << "needs " << Dll() << " beside the test";
    ASSERT_TRUE(fns_.bind(lib_, Prefix()));
    archive_ = work_ + ArchiveName();
    Command(CreateLine());
  }
  void Command(const std::string& line) {
    char out[8192] = {};
    ASSERT_EQ(fns_.command(nullptr, line.c_str(), out, sizeof out), 0) << line << "\n" << out;
  }
  void TearDown() override {
    ExtractionFlow::TearDown();
    if (lib_) FreeLibrary(lib_);
  }
  // A fresh destination holding an older a.txt and a newer sub\b.txt than the archive's.
  void PrepareDestination() {
    RemoveTree(dest_);
    for (const std::string& d : {dest_, dest_ + "sub\\", dest_ + "sub\\表\\"}) CreateDirectoryA(d.c_str(), nullptr);
    WriteFile(dest_ + "a.txt", "old a");
    SetFileYear(dest_ + "a.txt", 2001);
    WriteFile(dest_ + "sub\\b.txt", "newer b");
    SetFileYear(dest_ + "sub\\b.txt", 2090);
  }
  HMODULE lib_ = nullptr;
  archiver::Functions fns_;
};

// A cabinet made by the real CAB32.DLL: listed, extracted with each of the three options.
class CabExtractionFlow : public LibraryExtractionFlow {
 protected:
  const char* Dll() const override { return "CAB32.DLL"; }
  const char* Prefix() const override { return "Cab"; }
  std::string ArchiveName() const override { return "t.cab"; }
  std::string CreateLine() const override { return "-a -r -ml:18 \"" + archive_ + "\" \"" + src_ + "\" *.*"; }
};

TEST_F(CabExtractionFlow, TheCabinetIsListedAndTheNoticeLeavesCab32Out) {
  CArchiveManager m;
  const std::string notice = m.LoadLibraries();
  EXPECT_EQ(notice.find("CAB32.DLL"), std::string::npos) << notice;
  EXPECT_TRUE(m.Handler(kFormatCab)->IsPresent());
  WithViewer(archive_, [&](CScriptedViewer& v) {
    EXPECT_EQ(v.m_archives.Format(), kFormatCab);
    EXPECT_EQ(v.m_archives.FormatName(), "Cab");
    ASSERT_EQ(v.m_rows.size(), 3u) << "a cabinet holds files only";
    EXPECT_GE(RowOf(v, "a.txt"), 0);
    EXPECT_GE(RowOf(v, "sub\\b.txt"), 0);
    const int c = RowOf(v, "sub\\表\\c.txt");
    ASSERT_GE(c, 0);
    EXPECT_EQ(v.m_rows[static_cast<size_t>(c)].size, ReadFile(src_ + "sub\\表\\c.txt").size());
  });
}

TEST_F(CabExtractionFlow, EachOptionOfTheChooserDoesWhatItSays) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    // Folders off, "全て上書き" off: files land flat, nothing existing is replaced.
    PrepareDestination();
    ChooserChoice flat;
    flat.useFolders = false;
    std::string result = Run(v, flat);
    EXPECT_EQ(ReadFile(dest_ + "b.txt"), ReadFile(src_ + "sub\\b.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), "old a") << "only new files: kept\n" << result;
    EXPECT_NE(result.find("a.txt"), std::string::npos) << "the kept file is named\n" << result;

    // Folders on, "全て上書き": an older file is replaced, a newer one kept.
    PrepareDestination();
    ChooserChoice all;
    all.overwriteAll = true;
    result = Run(v, all);
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), ReadFile(src_ + "a.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), "newer b") << result;
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << result;

    // Dates ignored as well: the newer file too.
    PrepareDestination();
    all.ignoreDate = true;
    result = Run(v, all);
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), ReadFile(src_ + "sub\\b.txt")) << result;
  });
}

// Tar archives and single compressed files made by the real TAR32.DLL (and, for
// compress, by the engine): each kind listed under its status name, the folder
// part cut from the first record only, extracted with the chooser's options as
// --use-directory and q map them, viewed through the work folder.
class TarExtractionFlow : public LibraryExtractionFlow {
 protected:
  const char* Dll() const override { return "TAR32.DLL"; }
  const char* Prefix() const override { return "Tar"; }
  std::string ArchiveName() const override { return "t.tgz"; }
  std::string CreateLine() const override { return "c -vfz6 \"" + archive_ + "\" \"" + src_ + "\" *.*"; }
};

TEST_F(TarExtractionFlow, EachKindIsListedUnderItsStatusName) {
  Command("c -vfB9 \"" + work_ + "t.tar.bz2\" \"" + src_ + "\" *.*");
  Command("c -vf \"" + work_ + "t.tar\" \"" + src_ + "\" *.*");
  fmt::tar::TarWriteOptions z;
  z.compression = fmt::tar::Filter::Compress;
  fmt::SourceItem one;
  one.diskPath = src_ + "sub\\b.txt";
  one.name = "b.txt";
  one.size = ReadFile(one.diskPath).size();
  fmt::tar::writeTarArchive(work_ + "t.tar.Z", {one}, {}, z);
  fmt::tar::writeCompressedFile(work_ + "b.txt.Z", one, z);
  fmt::tar::TarWriteOptions gz;
  gz.compression = fmt::tar::Filter::Gzip;
  fmt::tar::writeCompressedFile(work_ + "stored.gz", one, gz);
  fmt::tar::TarWriteOptions bz;
  bz.compression = fmt::tar::Filter::Bzip2;
  fmt::tar::writeCompressedFile(work_ + "b.txt.bz2", one, bz);
  const struct {
    const char* file;
    const char* status;
    const char* row;
  } kinds[] = {{"t.tar", "TAR", "sub\\表\\c.txt"},       {"t.tgz", "TAR.GZ(TGZ)", "sub\\b.txt"},
               {"t.tar.Z", "TAR.Z(TAZ)", "b.txt"},        {"stored.gz", "GZ", "b.txt"},
               {"b.txt.Z", "Z", "b.txt"},                 {"t.tar.bz2", "TAR.BZ2", "sub\\表\\c.txt"},
               {"b.txt.bz2", "BZ2", "b.txt"}};
  for (const auto& k : kinds) {
    WithViewer(work_ + k.file, [&](CScriptedViewer& v) {
      EXPECT_EQ(v.m_archives.Format(), kFormatTar) << k.file;
      EXPECT_EQ(v.m_archives.FormatName(), k.status) << k.file;
      const int row = RowOf(v, k.row);
      ASSERT_GE(row, 0) << k.file;
      EXPECT_EQ(v.m_rows[static_cast<size_t>(row)].size, ReadFile(src_ + (std::string(k.row) == "b.txt" ? "sub\\b.txt" : k.row)).size());
    });
  }
}

TEST_F(TarExtractionFlow, EachOptionOfTheChooserDoesWhatItSays) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    // Folders off, "全て上書き" off (q): files land flat, nothing existing is replaced.
    PrepareDestination();
    ChooserChoice flat;
    flat.useFolders = false;
    std::string result = Run(v, flat);
    EXPECT_EQ(ReadFile(dest_ + "c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), "old a") << result;
    EXPECT_FALSE(PathExists(dest_ + "sub\\表\\c.txt")) << result;
    EXPECT_NE(result.find("a.txt"), std::string::npos) << "the kept file is named\n" << result;

    // Folders on, "全て上書き": tar replaces every file, the newer one too.
    PrepareDestination();
    ChooserChoice all;
    all.overwriteAll = true;
    result = Run(v, all);
    EXPECT_EQ(ReadFile(dest_ + "a.txt"), ReadFile(src_ + "a.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "sub\\b.txt"), ReadFile(src_ + "sub\\b.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "sub\\表\\c.txt"), ReadFile(src_ + "sub\\表\\c.txt")) << result;
  });
}

TEST_F(TarExtractionFlow, ViewingGoesThroughTheWorkFolderAndTheAboutBoxNamesTar32) {
  std::string log = work_ + "viewer.log";
  SetEnvironmentVariableA("RECORD_OPEN_LOG", log.c_str());
  WithViewer(archive_, [&](CScriptedViewer& v) {
    v.m_settings.viewerPath = TestBinFolder() + "record_open.exe";
    const int row = RowOf(v, "sub\\表\\c.txt");
    ASSERT_GE(row, 0);
    SelectRows(GetDlgItem(v.hwnd(), IDC_ENTRY_LIST), {row});
    SendMessageA(v.hwnd(), WM_COMMAND, ID_VIEW_ENTRY, 0);
    EXPECT_EQ(ReadFile(v.m_archives.WorkFolder() + "c.txt"), ReadFile(src_ + "sub\\表\\c.txt"));
  });
  SetEnvironmentVariableA("RECORD_OPEN_LOG", nullptr);
  CAboutDlg about;
  about.m_viewerPath = "notepad";
  std::string line;
  bool enabled = false;
  ModalScript script;
  script.then("ﾊﾞｰｼﾞｮﾝ情報 Dexlor", [&](HWND h) {
    line = ItemText(h, IDC_LIB_TAR);
    enabled = IsWindowEnabled(GetDlgItem(h, IDC_LIB_TAR));
    Click(h, IDOK);
  });
  script.run([&] { about.DoModal(nullptr); });
  EXPECT_TRUE(script.allDone());
  const unsigned version = fns_.getVersion() & 0xFFFF;
  EXPECT_TRUE(enabled);
  EXPECT_EQ(line, CAboutDlg::VersionLine("TAR32.DLL", version));
}

// ZIP archives that the build made with 7z and crafted with Shift-JIS names,
// through the real UNZIP32.DLL: the rows, and the password dialog over the
// viewer's window, answered wrong and then right.
class ZipExtractionFlow : public ExtractionFlow {
 protected:
  void SetUp() override {
    ExtractionFlow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (GetFileAttributesA((TestBinFolder() + "UNZIP32.DLL").c_str()) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "needs UNZIP32.DLL beside the test";
    const char* made = std::getenv("UNZIP32_ARCHIVES");
    if (!made || !*made) GTEST_SKIP() << "UNZIP32_ARCHIVES is not set";
    made_ = std::string("Z:") + made + "\\";
    for (char& c : made_)
      if (c == '/') c = '\\';
  }
  std::string made_;
};

TEST_F(ZipExtractionFlow, ShiftJisNamesAreListedRightAndTheFormatIsZip) {
  WithViewer(made_ + "sjis.zip", [&](CScriptedViewer& v) {
    EXPECT_EQ(v.m_archives.Format(), kFormatZip);
    EXPECT_EQ(v.m_archives.FormatName(), "Zip");
    ASSERT_EQ(v.m_rows.size(), 4u);
    for (const char* name : {"表\\ソ.txt", "予定表.txt", "能力\\十.txt", "ﾊﾝｶｸ.txt"}) EXPECT_GE(RowOf(v, name), 0) << name;
  });
}

TEST_F(ZipExtractionFlow, AnAesArchiveAsksForItsPasswordOverTheViewer) {
  WithViewer(made_ + "7zaes256.zip", [&](CScriptedViewer& v) {
    RemoveTree(dest_);
    CreateDirectoryA(dest_.c_str(), nullptr);
    HWND owner = nullptr;
    std::string secondMessage;
    const std::string result = Run(v, ChooserChoice{}, nullptr, [&](ModalScript& s) {
      s.then("パスワードの入力", [&](HWND h) {
        owner = GetWindow(h, GW_OWNER);
        SetDlgItemTextA(h, IDC_DLLS_EDIT, "wrong");
        Click(h, IDOK);
      });
      s.then("パスワードの入力", [&](HWND h) {
        secondMessage = ItemText(h, IDC_DLLS_MESSAGE);
        SetDlgItemTextA(h, IDC_DLLS_EDIT, "7z pass");
        Click(h, IDOK);
      });
    });
    EXPECT_EQ(owner, v.hwnd());
    EXPECT_NE(secondMessage.find("違います"), std::string::npos) << secondMessage;
    EXPECT_EQ(ReadFile(dest_ + "text.txt"), ReadFile(made_ + "src\\text.txt")) << result;
    EXPECT_EQ(ReadFile(dest_ + "sub\\inner\\日本語の名前.txt"), ReadFile(made_ + "src\\sub\\inner\\日本語の名前.txt"))
        << result;
  });
}

TEST_F(CabExtractionFlow, SelfExtractingAsksNoKindAndMakesTheProgram) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    std::string result = "<none>";
    ModalScript script;
    script.then(kCreateCaption, [&](HWND h) { Click(h, IDC_FOLDER_ACCEPT); })
        .then(kResultCaption, [&](HWND h) {
          result = ItemText(h, IDC_TEXT);
          Click(h, IDOK);
        });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_MAKE_SFX, 0); });
    EXPECT_TRUE(script.allDone()) << script.stepsDone();
    EXPECT_TRUE(script.unexpected.empty()) << "no kind dialog for a cabinet";
    EXPECT_NE(result.find("自己解凍書庫を作成しました"), std::string::npos) << result;
    EXPECT_EQ(ReadFile(work_ + "t.exe").substr(0, 2), "MZ") << result;
  });
}

TEST_F(CabExtractionFlow, TheMadeProgramOpensAsItsCabinet) {
  char out[4096] = {};
  ASSERT_EQ(fns_.command(nullptr, ("-f \"" + archive_ + "\"").c_str(), out, sizeof out), 0) << out;
  WithViewer(work_ + "t.exe", [&](CScriptedViewer& v) {
    EXPECT_EQ(v.m_archives.Format(), kFormatCab);
    EXPECT_EQ(v.m_rows.size(), 3u);
  });
}

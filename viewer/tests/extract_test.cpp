// Extraction and self-extracting creation from the main window, through the real
// folder chooser and the real LHA library beside the test: which names reach
// the library, the options, the files on disk, Ctrl held, the last folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "folder_tree_resource.h"
#include "modal_script.h"
#include "registry.h"
#include "scripted_viewer.h"
#include "sjis.h"

namespace {

const char kExtractCaption[] = "Dexlor - 解凍先のﾌｫﾙﾀﾞを指定してください。";
const char kCreateCaption[] = "Dexlor - 作成先のﾌｫﾙﾀﾞを指定してください。";
const char kResultCaption[] = "結果表示";

using UnlhaFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetYear(const std::string& path, WORD year) {
  SYSTEMTIME st{year, 6, 0, 15, 12, 0, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path + "\\");
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

void SelectRows(HWND list, std::initializer_list<int> rows) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  for (int r : rows) {
    item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
  }
}

int RowOf(const CScriptedViewer& v, const std::string& name) {
  for (size_t i = 0; i < v.m_rows.size(); i++)
    if (v.m_rows[i].name == name) return static_cast<int>(i);
  return -1;
}

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

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = TestBinFolder();
    lib_ = LoadLibraryA((bin_ + "UNLHA32.DLL").c_str());
    if (!lib_) GTEST_SKIP() << "needs UNLHA32.DLL beside the test";
    unlha_ = reinterpret_cast<UnlhaFn>(reinterpret_cast<void*>(GetProcAddress(lib_, "Unlha")));
    ASSERT_NE(unlha_, nullptr);
    char temp[MAX_PATH], longTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, longTemp, MAX_PATH);
    work_ = longTemp;
    sjis::addBackslash(work_);
    work_ += "dexlor-extract-" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(work_);
    src_ = work_ + "src\\";
    dest_ = work_ + "dest\\";
    for (const std::string& d : {work_, src_, src_ + "sub\\", src_ + "sub\\表\\", src_ + "empty\\", dest_})
      CreateDirectoryA(d.c_str(), nullptr);
    Write(src_ + "a.txt", "alpha\r\n");
    Write(src_ + "sub\\b.txt", std::string(70000, 'b') + "end");
    Write(src_ + "sub\\表\\c.txt", "表の中身");
    archive_ = work_ + "t.lzh";
    Lha("a -x1 -r2 -+ \"" + archive_ + "\" \"" + src_ + "\" *.*");

    reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
    ViewerSettings s;
    s.hideNotice = true;  // only the LHA library is beside the test
    s.lastFolder = dest_;
    SaveViewerSettings(s);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
  }
  void TearDown() override {
    reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
    if (!work_.empty()) RemoveTree(work_);
    if (lib_) FreeLibrary(lib_);
  }

  void Lha(const std::string& command) {
    char out[4096] = {};
    ASSERT_EQ(unlha_(nullptr, command.c_str(), out, sizeof out), 0) << command << "\n" << out;
  }

  // Opens `archive` in the main window and runs `script` there.
  void WithViewer(const std::string& archive, const std::function<void(CScriptedViewer&)>& script) {
    CScriptedViewer dlg;
    bool ran = false;
    dlg.script = [&](CScriptedViewer& v) {
      ran = true;
      v.m_currentPath = archive;
      v.LoadArchive();
      script(v);
    };
    dlg.DoModal(nullptr);
    EXPECT_TRUE(ran);
  }

  ModalScript& ExpectResult(ModalScript& script) {
    return script.then(kResultCaption, [this](HWND h) {
      if (pendingResult_) *pendingResult_ = ItemText(h, IDC_TEXT);
      Click(h, IDOK);
    });
  }

  std::string bin_, work_, src_, dest_, archive_;
  HMODULE lib_ = nullptr;
  UnlhaFn unlha_ = nullptr;
  std::string* pendingResult_ = nullptr;
};

}  // namespace

class ExtractionFlow : public Extraction {
 protected:
  std::string Run(CScriptedViewer& v, const ChooserChoice& c, std::string* shown = nullptr,
                  const std::function<void(ModalScript&)>& libraryQuestions = nullptr) {
    std::string result = "<none>";
    pendingResult_ = &result;
    ModalScript script;
    script.then(kExtractCaption, [&](HWND h) { Choose(h, c, shown); });
    if (libraryQuestions) libraryQuestions(script);
    ExpectResult(script);
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXTRACT, BN_CLICKED), 0); });
    EXPECT_TRUE(script.allDone()) << "steps done: " << script.stepsDone();
    for (const std::string& u : script.unexpected) ADD_FAILURE() << "unexpected window: " << u;
    pendingResult_ = nullptr;
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
    EXPECT_EQ(Read(dest_ + "a.txt"), Read(src_ + "a.txt"));
    EXPECT_EQ(Read(dest_ + "sub\\表\\c.txt"), Read(src_ + "sub\\表\\c.txt"));
    EXPECT_FALSE(Exists(dest_ + "sub\\b.txt")) << "an unselected row stays in the archive";
    EXPECT_FALSE(Exists(dest_ + "empty")) << "names, not *.*: the folder entry is not extracted";
    EXPECT_EQ(sjis::toLower(v.m_settings.lastFolder), sjis::toLower(dest_)) << "kept with its backslash";
  });
}

TEST_F(ExtractionFlow, AllRowsOrNoneMeanEveryEntryFolderEntriesToo) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_SELECT_ALL, 0);
    Run(v, ChooserChoice{});
    EXPECT_EQ(Read(dest_ + "a.txt"), Read(src_ + "a.txt"));
    EXPECT_EQ(Read(dest_ + "sub\\b.txt"), Read(src_ + "sub\\b.txt"));
    EXPECT_EQ(Read(dest_ + "sub\\表\\c.txt"), Read(src_ + "sub\\表\\c.txt"));
    DWORD attrs = GetFileAttributesA((dest_ + "empty").c_str());
    EXPECT_TRUE(attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) << "*.* takes the folder entry";

    // Nothing selected, folders off: every file, straight into the destination.
    RemoveTree(dest_);
    CreateDirectoryA(dest_.c_str(), nullptr);
    SendMessageA(v.hwnd(), WM_COMMAND, IDC_DESELECT_ALL, 0);
    ChooserChoice flat;
    flat.useFolders = false;
    Run(v, flat);
    EXPECT_EQ(Read(dest_ + "b.txt"), Read(src_ + "sub\\b.txt"));
    EXPECT_EQ(Read(dest_ + "c.txt"), Read(src_ + "sub\\表\\c.txt"));
    EXPECT_FALSE(Exists(dest_ + "sub"));
  });
}

TEST_F(ExtractionFlow, ALoneRowIsSelectedAndExtractedByName) {
  std::string one = work_ + "one.lzh";
  CreateDirectoryA((work_ + "onesrc\\").c_str(), nullptr);
  CreateDirectoryA((work_ + "onesrc\\hidden\\").c_str(), nullptr);
  Write(work_ + "onesrc\\only.txt", "only");
  Lha("a -x1 -r2 \"" + one + "\" \"" + work_ + "onesrc\\\" *.*");
  WithViewer(one, [&](CScriptedViewer& v) {
    ASSERT_EQ(v.m_rows.size(), 1u);
    EXPECT_EQ(SendMessageA(v.list(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
    Run(v, ChooserChoice{});
    EXPECT_EQ(SendMessageA(v.list(), LVM_GETITEMSTATE, 0, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(Read(dest_ + "only.txt"), "only");
    EXPECT_FALSE(Exists(dest_ + "hidden")) << "by name: the unlisted folder entry stays";
  });
}

TEST_F(ExtractionFlow, TheOverwriteOptionsReachTheLibrary) {
  // Existing files: a.txt older, b.txt newer, c.txt older and read-only.
  auto prepare = [&] {
    RemoveTree(dest_);
    for (const std::string& d : {dest_, dest_ + "sub\\", dest_ + "sub\\表\\"}) CreateDirectoryA(d.c_str(), nullptr);
    Write(dest_ + "a.txt", "old a");
    SetYear(dest_ + "a.txt", 2001);
    Write(dest_ + "sub\\b.txt", "newer b");
    SetYear(dest_ + "sub\\b.txt", 2090);
    Write(dest_ + "sub\\表\\c.txt", "old c");
    SetYear(dest_ + "sub\\表\\c.txt", 2001);
    SetFileAttributesA((dest_ + "sub\\表\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  };
  WithViewer(archive_, [&](CScriptedViewer& v) {
    ChooserChoice all;
    all.overwriteAll = true;
    prepare();
    Run(v, all);
    EXPECT_EQ(Read(dest_ + "a.txt"), Read(src_ + "a.txt")) << "older: replaced";
    EXPECT_EQ(Read(dest_ + "sub\\b.txt"), "newer b") << "newer: kept";
    EXPECT_EQ(Read(dest_ + "sub\\表\\c.txt"), Read(src_ + "sub\\表\\c.txt")) << "read-only and older: replaced";

    all.ignoreDate = true;
    prepare();
    Run(v, all);
    EXPECT_EQ(Read(dest_ + "sub\\b.txt"), Read(src_ + "sub\\b.txt")) << "dates ignored: newer replaced too";

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
    EXPECT_EQ(Read(dest_ + "a.txt"), "old a");
    EXPECT_EQ(Read(dest_ + "sub\\b.txt"), "newer b");
    EXPECT_EQ(Read(dest_ + "sub\\表\\c.txt"), "old c");
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
    EXPECT_EQ(Read(dest_ + "sub\\b.txt"), Read(src_ + "sub\\b.txt")) << "the extraction itself ran";
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
    EXPECT_FALSE(Exists(dest_ + "a.txt"));
    EXPECT_EQ(v.m_settings.lastFolder, dest_);
  });
}

TEST_F(ExtractionFlow, SelfExtractingAsksTheKindThenTheFolderInCreationMode) {
  WithViewer(archive_, [&](CScriptedViewer& v) {
    std::string shown, button;
    bool optionsHidden = false;
    std::string result = "<none>";
    ModalScript script;
    script.then("自己解凍書庫の選択", [](HWND h) { Click(h, IDOK); })
        .then(kCreateCaption,
              [&](HWND h) {
                shown = ItemText(h, IDC_FOLDER_PATH);
                button = ItemText(h, IDC_FOLDER_ACCEPT);
                optionsHidden = !IsWindowVisible(GetDlgItem(h, IDC_USE_FOLDERS)) &&
                                !IsWindowVisible(GetDlgItem(h, IDC_OVERWRITE_ALL)) &&
                                !IsWindowVisible(GetDlgItem(h, IDC_IGNORE_DATE));
                Click(h, IDC_FOLDER_ACCEPT);
              })
        .then(kResultCaption, [&](HWND h) {
          result = ItemText(h, IDC_TEXT);
          Click(h, IDOK);
        });
    script.run([&] { SendMessageA(v.hwnd(), WM_COMMAND, ID_MAKE_SFX, 0); });
    EXPECT_TRUE(script.allDone()) << script.stepsDone();
    EXPECT_TRUE(script.unexpected.empty());
    EXPECT_EQ(sjis::toLower(shown + "\\"), sjis::toLower(work_)) << "the archive's own folder is selected";
    EXPECT_EQ(button, "作成");
    EXPECT_TRUE(optionsHidden);
    EXPECT_EQ(sjis::toLower(v.m_settings.lastFolder + "\\"), sjis::toLower(work_)) << "kept as returned, no backslash";
    EXPECT_NE(result, "<none>") << "the library's answer is shown";
  });
}

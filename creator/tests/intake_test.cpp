// How paths reach the list: the command line (relative, short and Japanese
// names, folders), a drop of the shell's data object, the clipboard, the file
// dialog; the base folder and order each leaves, and the rules without a window.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "creator_fixture.h"
#include "file_list.h"
#include "long_path.h"

namespace {

// 表 (95 5C) and ソ (83 5C) end in the byte of a backslash.
const char kJapaneseFolder[] = "表ソ十";
const char kJapaneseFile[] = "能書き.txt";

TEST(CommandLineRule, CopyExactlyOrTokensAtBlanks) {
  EXPECT_TRUE(ParseCommandLine("-copy").copyMode);
  EXPECT_TRUE(ParseCommandLine("-copy").args.empty());
  CommandLine notCopy = ParseCommandLine("-copy x");
  EXPECT_FALSE(notCopy.copyMode);
  EXPECT_EQ(notCopy.args, (std::vector<std::string>{"-copy", "x"}));
  EXPECT_EQ(ParseCommandLine("\"C:\\My Files\\a.txt\"").args,
            (std::vector<std::string>{"\"C:\\My", "Files\\a.txt\""}));
  EXPECT_EQ(ParseCommandLine("  a.txt    b.txt  ").args, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(ParseCommandLine("").args.empty());
}

TEST(BaseFolderRule, WholeComponentsOnly) {
  auto baseOf = [](std::vector<std::string> paths) {
    std::string base;
    for (auto& p : paths) UpdateBaseFolder(base, p);
    return base;
  };
  EXPECT_EQ(baseOf({"C:\\data\\a.txt", "C:\\data\\b.txt"}), "C:\\data");
  EXPECT_EQ(baseOf({"C:\\a.txt"}), "C:");
  EXPECT_EQ(baseOf({"C:"}), "C:") << "a drive root as listed";
  EXPECT_EQ(baseOf({"C:\\x\\a", "D:\\y\\b"}), kNoCommonFolder);
  EXPECT_EQ(baseOf({"C:\\x\\a", "D:\\y\\b", "C:\\x\\c"}), kNoCommonFolder) << "the marker stays";
  // Never inside a name: C:\data and C:\database share C: only.
  EXPECT_EQ(baseOf({"C:\\data\\a", "C:\\database\\b"}), "C:");
  EXPECT_EQ(baseOf({"C:\\database\\b", "C:\\data\\a"}), "C:");
  EXPECT_EQ(baseOf({"C:\\w\\x\\y\\a", "C:\\w\\x\\z\\b", "C:\\w\\q"}), "C:\\w");
  EXPECT_EQ(baseOf({"C:\\Data\\a", "c:\\data\\b"}), "C:\\Data") << "letters agree without regard to case";
  // Trail bytes 5C are no separators: 表 and ソ differ in their lead bytes only.
  EXPECT_EQ(baseOf({"C:\\w\\表\\a", "C:\\w\\ソ\\b"}), "C:\\w");
  EXPECT_EQ(baseOf({"C:\\表ソ\\a", "C:\\表ソ\\b"}), "C:\\表ソ");
  EXPECT_EQ(baseOf({"C:\\表x\\a", "C:\\表y\\b"}), "C:");
  EXPECT_EQ(baseOf({"\\\\srv\\share\\x\\a", "\\\\srv\\share\\y\\b"}), "\\\\srv\\share");
  EXPECT_EQ(baseOf({"\\\\srv\\one\\a", "\\\\srv\\two\\b"}), kNoCommonFolder) << "no folder holds two shares";
}

TEST(ListRules, OrderNamesAndDropBlocks) {
  SortedPaths list;
  for (const char* p : {"C:\\b.txt", "C:\\a.txt", "C:\\c.txt", "C:\\B.txt", "c:\\_"}) list.Insert(p);
  // Upper-case forms in byte order ('_' is above the letters); equal ones in arrival order.
  EXPECT_EQ(list.Paths(), (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt", "C:\\B.txt", "C:\\c.txt", "c:\\_"}));

  EXPECT_EQ(BuildNameList({"C:\\data\\a.txt", "C:\\data\\sub\\*.*"}, "C:\\data", false), " \"a.txt\" \"sub\\*.*\"");
  EXPECT_EQ(BuildNameList({"C:\\data\\a.txt"}, "C:\\data", true), " \"C:\\data\\a.txt\"");
  EXPECT_EQ(BuildNameList({"C:\\x\\a", "D:\\y\\b"}, kNoCommonFolder, false), " \"C:\\x\\a\" \"D:\\y\\b\"");
  EXPECT_EQ(BuildNameList({"C:\\*.*"}, "C:", false), " \"*.*\"");
  EXPECT_EQ(FolderPattern("C:\\data\\sub"), "C:\\data\\sub\\*.*");
  EXPECT_EQ(FolderPattern("C:\\"), "C:\\*.*");
  EXPECT_EQ(FolderPattern("C:\\表"), "C:\\表\\*.*") << "表 ends in 5C but not in a backslash";

  // A file-list block: 20-byte header, then the names.
  auto block = [](bool wide, const std::string& names) {
    std::string b(20, '\0');
    b[0] = 20;
    b[16] = wide ? 1 : 0;
    return b + names;
  };
  std::string ansi = block(false, std::string("C:\\a\0C:\\表\\b\0\0", 13));
  EXPECT_EQ(ReadFileListBlock(ansi.data(), ansi.size()), (std::vector<std::string>{"C:\\a", "C:\\表\\b"}));
  std::wstring w = L"C:\\\x8868\\b";
  w += L'\0';
  w += L'\0';
  std::string wide = block(true, std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2));
  EXPECT_EQ(ReadFileListBlock(wide.data(), wide.size()), (std::vector<std::string>{"C:\\表\\b"}));
  // Cut short or pointing past its end: nothing is read beyond the block.
  std::string cut = block(false, "C:\\a\0C:\\unfinished");
  cut.resize(20 + 5 + 6);
  EXPECT_EQ(ReadFileListBlock(cut.data(), cut.size()), (std::vector<std::string>{"C:\\a"}));
  std::string beyond = ansi;
  beyond[0] = static_cast<char>(200);
  EXPECT_TRUE(ReadFileListBlock(beyond.data(), beyond.size()).empty());
  EXPECT_TRUE(ReadFileListBlock(ansi.data(), 10).empty());
}

TEST(LongPaths, ShortNamesCaseAndJapaneseComponents) {
  Workspace ws;
  std::string file = ws.write(std::string(kJapaneseFolder) + "\\Long File Name.text", "x");
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(file.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_NE(std::string(shortPath), file) << "the prefix gives 8.3 names";
  LongPath lp = ResolveLongPath(shortPath);
  EXPECT_EQ(lp.path, file);
  EXPECT_EQ(lp.name, "Long File Name.text");
  // Relative, in other case.
  SetCurrentDirectoryA((ws.dir() + kJapaneseFolder).c_str());
  lp = ResolveLongPath("long file name.TEXT");
  EXPECT_EQ(lp.path, file);
  EXPECT_EQ(CurrentFolder(), ws.dir() + kJapaneseFolder) << "the current folder is left as it was";
  // Something that is not there keeps its name, so that the library's report names it.
  lp = ResolveLongPath("missing.txt");
  EXPECT_EQ(lp.path, ws.dir() + kJapaneseFolder + "\\missing.txt");
  // One resolver for a whole intake: folders it has seen come from memory, in either spelling.
  std::string second = ws.write(std::string(kJapaneseFolder) + "\\Second Long Name.text", "y");
  char shortSecond[MAX_PATH] = {};
  GetShortPathNameA(second.c_str(), shortSecond, MAX_PATH);
  LongPathResolver resolver;
  EXPECT_EQ(resolver.Resolve(shortPath).path, file);
  EXPECT_EQ(resolver.Resolve(shortSecond).path, second);
  EXPECT_EQ(resolver.Resolve(ws.dir() + kJapaneseFolder).path, ws.dir() + kJapaneseFolder);
  EXPECT_TRUE(resolver.Resolve(ws.dir() + kJapaneseFolder).folder);
  EXPECT_FALSE(resolver.Resolve(second).folder);
  lp = ResolveLongPath("C:\\");
  EXPECT_EQ(lp.path, "C:");
  EXPECT_EQ(lp.name, "");
  EXPECT_TRUE(IsFolder("C:"));
}

class Intake : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    a = ws.write("data\\a.txt", "a");
    b = ws.write("data\\b.txt", "b");
    sub = ws.folder("data\\sub");
    jp = ws.write(std::string("data\\") + kJapaneseFolder + "\\" + kJapaneseFile, "jp");
  }
  void TearDown() override {
    OleSetClipboard(nullptr);
    OleUninitialize();
  }
  Workspace ws;
  std::string a, b, sub, jp;
};

TEST_F(Intake, CommandLine) {
  SetCurrentDirectoryA((ws.dir() + "data").c_str());
  char shortJp[MAX_PATH] = {};
  GetShortPathNameA(jp.c_str(), shortJp, MAX_PATH);
  CScriptedCreator dlg({"b.txt", "a.txt", "sub", shortJp});
  bool ran = false;
  dlg.script = [&](CScriptedCreator& d) {
    ran = true;
    EXPECT_EQ(d.m_baseFolder, ws.dir() + "data");
    EXPECT_EQ(d.m_pathList.Paths(), (std::vector<std::string>{a, b, sub + "\\*.*", jp}));
    EXPECT_EQ(d.ListedNames(), (std::vector<std::string>{"a.txt", "b.txt", "sub\\", kJapaneseFile}));
    EXPECT_EQ(d.Status(), "  4 個のﾌｧｲﾙ");
    EXPECT_TRUE(d.MenuEnabled(ID_COMPRESS));
    EXPECT_TRUE(d.Enabled(IDC_COMPRESS));
    EXPECT_FALSE(d.Checked(IDC_SUBFOLDERS)) << "only a drop checks it for a folder";
    EXPECT_EQ(d.BuildNameList(), std::string(" \"a.txt\" \"b.txt\" \"sub\\*.*\" \"") + kJapaneseFolder + "\\" +
                                     kJapaneseFile + "\"");
  };
  dlg.DoModal(nullptr);
  EXPECT_TRUE(ran);

  CScriptedCreator none;
  none.script = [&](CScriptedCreator& d) {
    EXPECT_EQ(d.Status(), "  0 個のﾌｧｲﾙ");
    EXPECT_FALSE(d.MenuEnabled(ID_COMPRESS));
    EXPECT_EQ(d.m_baseFolder, "");
  };
  none.DoModal(nullptr);

  // Two drives: no common folder, names in full.
  std::string other = "Z:\\tmp";
  CScriptedCreator twoDrives({a, other});
  twoDrives.script = [&](CScriptedCreator& d) {
    EXPECT_EQ(d.m_baseFolder, kNoCommonFolder);
    EXPECT_EQ(d.BuildNameList(), " \"" + a + "\" \"Z:\\tmp\\*.*\"");
  };
  twoDrives.DoModal(nullptr);
}

TEST_F(Intake, DropOfTheShellsDataObjectReplacesTheList) {
  CScriptedCreator dlg({b});
  dlg.script = [&](CScriptedCreator& d) {
    // (Wine's shell gives no item for Japanese names here, so the data object names ASCII ones.)
    const std::string dropped = ws.folder("data\\more");
    IDataObject* data = ShellDataObject({a, sub, dropped});
    ASSERT_NE(data, nullptr);
    IDropTarget* target = &d.m_dropTarget;
    const ULONG held = d.m_dropTarget.References();
    EXPECT_GE(held, 1u) << "registered: OLE holds the target";
    POINTL pt{10, 10};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(target->DragEnter(data, MK_LBUTTON, pt, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragOver(MK_LBUTTON, pt, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->Drop(data, 0, pt, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_FALSE(d.m_dropTarget.Accepting());
    EXPECT_EQ(d.m_dropTarget.References(), held) << "the drag's references are given back";
    data->Release();

    EXPECT_EQ(d.m_pathList.Paths(),
              (std::vector<std::string>{a, dropped + "\\*.*", sub + "\\*.*"}));
    EXPECT_EQ(d.ListedNames(), (std::vector<std::string>{"a.txt", "more\\", "sub\\"}));
    EXPECT_EQ(d.m_baseFolder, ws.dir() + "data");
    EXPECT_TRUE(d.Checked(IDC_SUBFOLDERS)) << "a dropped folder";
    EXPECT_EQ(d.Status(), "  3 個のﾌｧｲﾙ");

    // A drive root: listed as the drive.
    IDataObject* root = ShellDataObject({"C:\\"});
    if (root) {
      effect = DROPEFFECT_COPY;
      target->DragEnter(root, 0, pt, &effect);
      target->Drop(root, 0, pt, &effect);
      root->Release();
      EXPECT_EQ(d.m_pathList.Paths(), (std::vector<std::string>{"C:\\*.*"}));
      EXPECT_EQ(d.ListedNames(), (std::vector<std::string>{"C:"}));
    }
  };
  dlg.DoModal(nullptr);
  EXPECT_EQ(dlg.m_dropTarget.References(), 0u) << "revoked with the window";
}

// A data object that offers nothing: no file list.
class EmptyData : public IDataObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  ULONG refs = 1;
};

TEST_F(Intake, WithoutAFileListNothingChanges) {
  CScriptedCreator dlg({a});
  dlg.script = [&](CScriptedCreator& d) {
    EmptyData empty;
    IDropTarget* target = &d.m_dropTarget;
    POINTL pt{0, 0};
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(&empty, 0, pt, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->DragOver(0, pt, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->DragLeave();
    EXPECT_EQ(empty.refs, 1u) << "the drag's data is released on leave";
    d.AddDroppedFiles(&empty);
    EXPECT_EQ(d.m_pathList.Paths(), std::vector<std::string>{a});

    // An empty clipboard: paste is grayed and does nothing.
    OleSetClipboard(nullptr);
    OpenClipboard(d.hwnd());
    EmptyClipboard();
    CloseClipboard();
    HMENU edit = GetSubMenu(GetMenu(d.hwnd()), 1);
    SendMessageA(d.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    EXPECT_TRUE(GetMenuState(edit, ID_PASTE, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageA(d.hwnd(), WM_COMMAND, ID_PASTE, 0);
    EXPECT_EQ(d.ListedNames(), std::vector<std::string>{"a.txt"});
  };
  dlg.DoModal(nullptr);
}

TEST_F(Intake, PasteAndTheFileDialogEachReplaceTheList) {
  CScriptedCreator dlg({a});
  dlg.script = [&](CScriptedCreator& d) {
    IDataObject* data = ShellDataObject({b, sub});
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(OleSetClipboard(data), S_OK);
    data->Release();
    HMENU edit = GetSubMenu(GetMenu(d.hwnd()), 1);
    SendMessageA(d.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    EXPECT_FALSE(GetMenuState(edit, ID_PASTE, MF_BYCOMMAND) & MF_GRAYED) << "a file list is on the clipboard";
    // Ctrl+V, through the window's keys.
    MSG key{d.hwnd(), WM_KEYDOWN, 'V', 0, 0, {}};
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    EXPECT_TRUE(d.PreTranslateMessage(&key));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(d.m_pathList.Paths(), (std::vector<std::string>{b, sub + "\\*.*"}));
    EXPECT_TRUE(d.Checked(IDC_SUBFOLDERS));

    // Enter never reaches the default button.
    MSG enter{d.hwnd(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(d.PreTranslateMessage(&enter));

    // The file dialog: names as it returns them, in the folder it was in.
    SetCurrentDirectoryA((ws.dir() + "data").c_str());
    ModalScript choose;
    choose.then("圧縮するﾌｧｲﾙを選択してください。", [](HWND w) { AnswerFileDialog(w, "\"b.txt\" \"a.txt\""); });
    choose.run([&] { SendMessageA(d.hwnd(), WM_COMMAND, ID_SELECT_FILES, 0); });
    EXPECT_TRUE(choose.allDone()) << ::testing::PrintToString(choose.unexpected);
    EXPECT_EQ(d.m_pathList.Paths(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(d.ListedNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(d.m_baseFolder, ws.dir() + "data");
    EXPECT_EQ(d.Status(), "  2 個のﾌｧｲﾙ");

    // Cancelled: the list stays.
    ModalScript cancel;
    cancel.then("圧縮するﾌｧｲﾙを選択してください。", [](HWND w) { Click(w, IDCANCEL); });
    cancel.run([&] { SendMessageA(d.hwnd(), WM_COMMAND, ID_SELECT_FILES, 0); });
    EXPECT_EQ(d.m_pathList.Count(), 2u);
  };
  dlg.DoModal(nullptr);
}

}  // namespace

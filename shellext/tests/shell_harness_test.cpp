// Plays the shell against pkshlext.dll: the library loaded by file, its class
// object, an instance per menu, Initialize with the shell's own data object for
// real files, QueryContextMenu on a real menu, InvokeCommand, and the unload.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "debug_trace.h"
#include "shell_data_object.h"
#include "shell_selection.h"
#include "registry.h"
#include "shell_ext_ids.h"

namespace fs = std::filesystem;
using shellext_test::DebugTrace;
using shellext_test::wide;

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

std::string binFolder() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().string();
}

// Only the reference count matters: it says whether the extension holds it.
class CountingDataObject : public IDataObject {
 public:
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

std::string menuText(HMENU menu, UINT position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

// Keeps the messages flowing (the clipboard's owner must render CF_HDROP for
// the other process) until a run record appears; gives up after a minute.
std::vector<fs::path> waitForRuns(const fs::path& runs, size_t count) {
  for (int i = 0; i < 6000; ++i) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(runs, ec))
      if (e.path().extension() == ".txt") found.push_back(e.path());
    if (found.size() >= count) return found;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  return {};
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ShellHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    char tmp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tmp);
    root_ = fs::path(tmp) / ("pkshlext_test_" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root_);
    files_ = root_ / "files";
    install_ = root_ / "install";
    fs::create_directories(files_ / "sub");
    fs::create_directories(install_);
    // 表 ends in byte 5C: the path must reach Pakmo whole.
    std::ofstream(files_.string() + "\\a.txt") << "a";
    std::ofstream(files_.string() + "\\" + kDoubleByteName) << "b";
    fs::copy_file(binFolder() + "\\record_pakmo.exe", install_ / "Pakmo.exe");

    reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey);
    if (key) savedFolder_ = key.getString(pkshlext::kInstallValue);
    setInstallFolder(install_.string());

    trace_.emplace();
    dll_ = LoadLibraryA((binFolder() + "\\pkshlext.dll").c_str());
    ASSERT_NE(dll_, nullptr);
    getClassObject_ = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
    canUnload_ = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllCanUnloadNow")));
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnload_, nullptr);
  }

  void TearDown() override {
    OleSetClipboard(nullptr);
    if (dll_) {
      EXPECT_EQ(canUnload_(), S_OK) << "every object of the test is released";
      FreeLibrary(dll_);
    }
    trace_.reset();
    if (savedFolder_)
      setInstallFolder(*savedFolder_);
    else if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey, KEY_SET_VALUE))
      RegDeleteValueA(key.get(), pkshlext::kInstallValue);
    std::error_code ec;
    fs::remove_all(root_, ec);
    OleUninitialize();
  }

  static void setInstallFolder(const std::string& folder) {
    reg::Key key = reg::Key::create(HKEY_LOCAL_MACHINE, pkshlext::kInstallKey);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key.setString(pkshlext::kInstallValue, folder));
  }

  IClassFactory* factory() {
    IClassFactory* f = nullptr;
    EXPECT_EQ(getClassObject_(pkshlext::kClassId, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    return f;
  }

  // A new extension through the factory, as the shell asks for it.
  IShellExtInit* newExtension() {
    IClassFactory* f = factory();
    if (!f) return nullptr;
    IShellExtInit* init = nullptr;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    f->Release();
    return init;
  }

  static IContextMenu* menuOf(IShellExtInit* init) {
    IContextMenu* menu = nullptr;
    EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    return menu;
  }

  std::vector<std::string> runRecords() {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(install_ / "runs", ec))
      if (e.path().extension() == ".txt") out.push_back(readFile(e.path()));
    return out;
  }

  static constexpr const char* kDoubleByteName = "表.txt";
  fs::path root_, files_, install_;
  std::optional<std::string> savedFolder_;
  std::optional<DebugTrace> trace_;
  HMODULE dll_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadFn canUnload_ = nullptr;
};

TEST_F(ShellHarness, ChosenItemPutsTheSelectionOnTheClipboardAndStartsPakmoWithCopy) {
  IShellExtInit* init = newExtension();
  ASSERT_NE(init, nullptr);
  IDataObject* data = ShellDataObject(files_.string(), {"a.txt", kDoubleByteName});
  ASSERT_NE(data, nullptr) << "the shell gives a data object for the two files";
  ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  IContextMenu* cm = menuOf(init);
  ASSERT_NE(cm, nullptr);

  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "open");
  AppendMenuA(menu, MF_STRING, 2, "print");
  HRESULT hr = cm->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL);
  EXPECT_EQ(HRESULT_CODE(hr), 1) << "one command used";
  ASSERT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_EQ(menuText(menu, 1), pkshlext::kMenuText) << "inserted at the given position";
  EXPECT_EQ(GetMenuItemID(menu, 1), 100u) << "with the first command id";
  EXPECT_EQ(menuText(menu, 0), "open");
  DestroyMenu(menu);

  // Other verbs start nothing.
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = "open";
  EXPECT_EQ(cm->InvokeCommand(&info), E_INVALIDARG);
  info.lpVerb = MAKEINTRESOURCEA(1);
  EXPECT_EQ(cm->InvokeCommand(&info), E_INVALIDARG);

  info.lpVerb = MAKEINTRESOURCEA(0);
  info.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(cm->InvokeCommand(&info), S_OK);

  // The clipboard holds the shell's data object itself.
  EXPECT_EQ(OleIsCurrentClipboard(data), S_OK);
  auto runs = waitForRuns(install_ / "runs", 1);
  ASSERT_EQ(runs.size(), 1u) << "Pakmo started once, from the install folder";
  std::string expected = "args:-copy\nfile:" + files_.string() + "\\a.txt\nfile:" + files_.string() + "\\" +
                         kDoubleByteName + "\n";
  EXPECT_EQ(readFile(runs[0]), expected);

  cm->Release();
  init->Release();
  data->Release();
}

TEST_F(ShellHarness, TheTraceFollowsTheShellsCallsAndTheModuleUnloadsWhenAllIsReleased) {
  IClassFactory* f = factory();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(canUnload_(), S_FALSE) << "the factory is alive";
  IShellExtInit* init = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  f->Release();
  EXPECT_EQ(canUnload_(), S_FALSE) << "the extension is alive";
  CountingDataObject data;
  init->Initialize(nullptr, &data, nullptr);
  IContextMenu* cm = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&cm)), S_OK);
  cm->Release();
  IUnknown* unknown = nullptr;
  EXPECT_EQ(init->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
  EXPECT_EQ(unknown, nullptr);
  init->Release();
  EXPECT_EQ(data.refs, 1) << "the data object is released with the extension";
  EXPECT_EQ(canUnload_(), S_OK);
  FreeLibrary(dll_);
  dll_ = nullptr;

  std::vector<std::string> expected = {
      "In DLLMain, DLL_PROCESS_ATTACH\r\n",
      "In DllGetClassObject\r\n",
      "CShellExtClassFactory::CShellExtClassFactory()\r\n",
      "CShellExtClassFactory::QueryInterface()\r\n",
      "In DLLCanUnloadNow\r\n",
      "CShellExtClassFactory::CreateInstance()\r\n",
      "CShellExt::CShellExt()\r\n",
      "CShellExt::QueryInterface()==>IID_IShellExtInit\r\n",
      "CShellExt::AddRef()\r\n",
      "In DLLCanUnloadNow\r\n",
      "CShellExt::Initialize()\r\n",
      "CShellExt::QueryInterface()==>IID_IContextMenu\r\n",
      "CShellExt::AddRef()\r\n",
      "CShellExt::Release()\r\n",
      "CShellExt::QueryInterface()==>Unknown Interface!\r\n",
      "CShellExt::Release()\r\n",
      "In DLLCanUnloadNow\r\n",
      "In DLLMain, DLL_PROCESS_DETACH\r\n",
  };
  EXPECT_EQ(trace_->calls(), expected);
}

TEST_F(ShellHarness, TheItemIsOfferedForNormalAndExplorerMenusOnly) {
  IShellExtInit* init = newExtension();
  ASSERT_NE(init, nullptr);
  IContextMenu* cm = menuOf(init);
  struct Case {
    UINT flags;
    bool offered;
  } cases[] = {
      {CMF_NORMAL, true},   {CMF_DEFAULTONLY, false}, {CMF_VERBSONLY, false},
      {CMF_NOVERBS, false}, {CMF_EXPLORE, true},      {CMF_EXPLORE | CMF_DEFAULTONLY, true},
      {CMF_CANRENAME, true}, {CMF_EXTENDEDVERBS, true},
  };
  // Without a selection there is never an item.
  HMENU empty = CreatePopupMenu();
  EXPECT_EQ(HRESULT_CODE(cm->QueryContextMenu(empty, 0, 1, 10, CMF_NORMAL)), 0);
  EXPECT_EQ(GetMenuItemCount(empty), 0);
  DestroyMenu(empty);
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(cm->InvokeCommand(&info), S_OK) << "no selection: nothing to do";

  for (const char* target : {"a.txt", "sub"}) {
    IDataObject* data = ShellDataObject(files_.string(), {target});
    ASSERT_NE(data, nullptr) << target;
    init->Initialize(nullptr, data, nullptr);
    for (const Case& c : cases) {
      HMENU menu = CreatePopupMenu();
      HRESULT hr = cm->QueryContextMenu(menu, 0, 7, 7, c.flags);
      EXPECT_EQ(HRESULT_CODE(hr), c.offered ? 1 : 0) << target << " flags " << c.flags;
      EXPECT_EQ(GetMenuItemCount(menu), c.offered ? 1 : 0) << target << " flags " << c.flags;
      DestroyMenu(menu);
    }
    data->Release();
  }
  // A drive, as the shell gives it.
  IDataObject* drive = ShellDataObject("C:\\", {"windows"});
  ASSERT_NE(drive, nullptr);
  init->Initialize(nullptr, drive, nullptr);
  HMENU menu = CreatePopupMenu();
  EXPECT_EQ(HRESULT_CODE(cm->QueryContextMenu(menu, 0, 7, 7, CMF_EXPLORE)), 1);
  EXPECT_EQ(menuText(menu, 0), pkshlext::kMenuText);
  DestroyMenu(menu);
  drive->Release();
  cm->Release();
  init->Release();
  EXPECT_TRUE(runRecords().empty()) << "nothing chosen, nothing started";
}

TEST_F(ShellHarness, InitializeAgainReleasesTheFirstSelectionAndKeepsTheSecond) {
  IShellExtInit* init = newExtension();
  ASSERT_NE(init, nullptr);
  CountingDataObject first, second;
  init->Initialize(nullptr, &first, nullptr);
  EXPECT_EQ(first.refs, 2);
  init->Initialize(nullptr, &second, nullptr);
  EXPECT_EQ(first.refs, 1);
  EXPECT_EQ(second.refs, 2);
  init->Initialize(nullptr, nullptr, nullptr);
  EXPECT_EQ(second.refs, 1) << "no data object: none kept";
  IContextMenu* cm = menuOf(init);
  HMENU menu = CreatePopupMenu();
  EXPECT_EQ(HRESULT_CODE(cm->QueryContextMenu(menu, 0, 1, 1, CMF_NORMAL)), 0);
  DestroyMenu(menu);
  cm->Release();
  init->Release();
}

TEST_F(ShellHarness, HelpTextComesWholeInEitherCharacterSetAndNeverPastTheBuffer) {
  IShellExtInit* init = newExtension();
  ASSERT_NE(init, nullptr);
  IContextMenu* cm = menuOf(init);
  char buf[64];
  memset(buf, 'x', sizeof buf);
  EXPECT_EQ(cm->GetCommandString(0, GCS_HELPTEXTA, nullptr, buf, sizeof buf), S_OK);
  EXPECT_STREQ(buf, pkshlext::kHelpText);
  // 圧 and 縮 are two bytes each: five bytes hold both and the terminator.
  memset(buf, 'x', sizeof buf);
  cm->GetCommandString(0, GCS_HELPTEXTA, nullptr, buf, 5);
  EXPECT_STREQ(buf, "圧縮");
  memset(buf, 'x', sizeof buf);
  cm->GetCommandString(0, GCS_HELPTEXTA, nullptr, buf, 4);
  EXPECT_STREQ(buf, "圧") << "never half a character";
  EXPECT_EQ(buf[4], 'x');
  WCHAR wbuf[32];
  EXPECT_EQ(cm->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wbuf), 32), S_OK);
  EXPECT_EQ(std::wstring(wbuf), wide(pkshlext::kHelpText));
  EXPECT_EQ(cm->GetCommandString(0, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK) << "validation writes nothing";
  cm->Release();
  init->Release();
}

TEST_F(ShellHarness, WrongClassInterfaceAndAggregationAreRefused) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject_(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject_(pkshlext::kClassId, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  IClassFactory* f = factory();
  ASSERT_NE(f, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknown*>(&f), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  IShellExtInit* init = nullptr;
  EXPECT_EQ(unknown->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(init), unknown) << "IUnknown is the IShellExtInit face";
  init->Release();
  unknown->Release();
  f->Release();
  // Refused objects were freed at once: TearDown finds the module unloadable.
}

}  // namespace

// The real Pakmo in the install folder, started by the chosen item, lists the
// selection it finds on the clipboard (whose data lives in this process: it is
// served while Pakmo reads it).
TEST_F(ShellHarness, TheRealPakmoFromTheInstallFolderListsTheSelection) {
  const fs::path bin = binFolder();
  if (!fs::exists(bin / "pakmo.exe")) GTEST_SKIP() << "needs pakmo.exe beside the test";
  fs::copy_file(bin / "pakmo.exe", install_ / "Pakmo.exe", fs::copy_options::overwrite_existing);
  for (const char* lib : {"UNLHA32.DLL", "CAB32.DLL", "TAR32.DLL"})
    if (fs::exists(bin / lib)) fs::copy_file(bin / lib, install_ / lib, fs::copy_options::overwrite_existing);

  IShellExtInit* init = newExtension();
  ASSERT_NE(init, nullptr);
  IDataObject* data = ShellDataObject(files_.string(), {"a.txt", kDoubleByteName});
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  IContextMenu* cm = menuOf(init);
  HMENU menu = CreatePopupMenu();
  cm->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
  DestroyMenu(menu);
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = MAKEINTRESOURCEA(0);
  info.nShow = SW_SHOWNORMAL;
  ASSERT_EQ(cm->InvokeCommand(&info), S_OK);

  auto listed = [](HWND pakmo) {
    std::vector<std::string> names;
    HWND list = GetDlgItem(pakmo, 1001);
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
      wchar_t text[MAX_PATH * 2] = {};  // across processes Wine hands list text over in UTF-16
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      char mb[MAX_PATH * 4] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, mb, sizeof mb, nullptr, nullptr);
      names.push_back(mb);
    }
    return names;
  };
  HWND pakmo = nullptr;
  std::vector<std::string> names;
  for (int i = 0; i < 400 && names.size() < 2; ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(50);
    if (!pakmo) pakmo = FindWindowA(nullptr, "Ｐａｋｍｏ");
    if (pakmo) names = listed(pakmo);
  }
  ASSERT_NE(pakmo, nullptr) << "Pakmo's window came up";
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", kDoubleByteName}));
  DWORD pid = 0;
  GetWindowThreadProcessId(pakmo, &pid);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  PostMessageA(pakmo, WM_COMMAND, 57665, 0);  // its menu's 終了
  // Served meanwhile: at its end Pakmo lets go of the clipboard data it holds from here.
  for (int i = 0; i < 200 && WaitForSingleObject(process, 0) != WAIT_OBJECT_0; ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(50);
  }
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "and it ends";
  TerminateProcess(process, 1);
  CloseHandle(process);
  cm->Release();
  init->Release();
  data->Release();
}

// Dexlor end to end: the real program started with a command line, its window
// read from this process as a user would see it, and compared with arctool's
// listing of the same archive (EXPECTED_LISTING, written by the test's script).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "archiver.h"
#include "registry.h"
#include "remote_window.h"
#include "resource.h"
#include "sjis.h"
#include "viewer_settings.h"

namespace {

std::string env(const char* name) {
  char buf[MAX_PATH * 2] = {};
  GetEnvironmentVariableA(name, buf, sizeof buf);
  return buf;
}

std::string binFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\') + 1);
}

std::string utf8ToSjis(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), static_cast<int>(w.size()));
  std::string out(static_cast<size_t>(n) * 2 + 1, '\0');
  int m = WideCharToMultiByte(932, 0, w.data(), n, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<size_t>(m));
  return out;
}

std::string slashes(const std::string& s) {
  std::string r = s;
  for (size_t i = 0; i < r.size(); i = sjis::next(r, i))
    if (!sjis::isPair(r, i) && r[i] == '\\') r[i] = '/';
  return r;
}

struct Expected {
  std::string name, sizeText, dateText;
  uint64_t size;
  bool folder;
};

std::string thousands(uint64_t v) {
  std::string d = std::to_string(v), out;
  for (size_t i = 0; i < d.size(); i++) {
    if (i && (d.size() - i) % 3 == 0) out += ',';
    out += d[i];
  }
  return out;
}

std::vector<Expected> expectedListing() {
  std::ifstream f(env("EXPECTED_LISTING"), std::ios::binary);
  std::vector<Expected> rows;
  std::string line;
  while (std::getline(f, line)) {
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) fields.push_back(field);
    if (fields.size() < 6) continue;
    Expected e;
    e.name = utf8ToSjis(fields[5]);
    e.folder = !e.name.empty() && e.name.back() == '/';
    e.size = std::stoull(fields[2]);
    e.sizeText = thousands(e.size);
    const std::string& t = fields[4];  // YYYY-MM-DD HH:MM:SS
    e.dateText = t.substr(2, 2) + "/" + t.substr(5, 2) + "/" + t.substr(8, 2) + " " + t.substr(11, 5);
    rows.push_back(e);
  }
  return rows;
}

class Dexlor {
 public:
  explicit Dexlor(const std::string& tail, const std::string& exe = binFolder() + "Dexlor.exe",
                  const std::string& folder = std::string()) {
    std::string cmd = "\"" + exe + "\"" + (tail.empty() ? "" : " " + tail);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    // Start-up captions the window "Dexlor"; a listing, "Ｄｅｘｌｏｒ". Wait for the state to settle.
    if (started) window = WaitForProcessWindow(pi.dwProcessId, {"Dexlor", "Ｄｅｘｌｏｒ"}, 20000);
    if (window) WaitForInputIdle(pi.hProcess, 10000);
  }
  ~Dexlor() {
    if (!started) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
      if (window) PostMessageA(window, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  bool close() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
  }
  HWND list() const { return GetDlgItem(window, IDC_ENTRY_LIST); }
  HWND status() const { return GetDlgItem(window, IDC_STATUS_BAR); }
  std::vector<std::vector<std::string>> rows() const {
    std::vector<std::vector<std::string>> r;
    for (int i = 0; i < ListRowCount(list()); i++) {
      std::vector<std::string> row;
      for (int c = 0; c < 4; c++) row.push_back(ListCellText(list(), i, c));
      r.push_back(row);
    }
    return r;
  }
  void command(int id) const { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  bool started = false;
  PROCESS_INFORMATION pi{};
  HWND window = nullptr;
};

class ViewerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (env("SAMPLE_ARCHIVE").empty()) GTEST_SKIP() << "SAMPLE_ARCHIVE not set";
    if (GetFileAttributesA((binFolder() + "UNLHA32.DLL").c_str()) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "UNLHA32.DLL is not built";
    writeSettings(100, 100);
  }
  void TearDown() override { reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey); }
  // Saved settings that switch the notice of the absent libraries off.
  static void writeSettings(int left, int top) {
    reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
    ViewerSettings s;
    s.windowRect = RECT{left, top, 500, 400};
    s.hideNotice = true;
    SaveViewerSettings(s);
  }
  static RECT windowRect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
  }
};

TEST_F(ViewerEndToEnd, ListsTheSampleAsArctoolDoes) {
  std::string sample = env("SAMPLE_ARCHIVE");
  Dexlor app("\"" + sample + "\"");
  ASSERT_NE(app.window, nullptr);
  EXPECT_EQ(WindowText(app.window), "Ｄｅｘｌｏｒ - " + sample);
  auto expected = expectedListing();
  ASSERT_GT(expected.size(), 100u);
  std::vector<Expected> files;
  for (auto& e : expected)
    if (!e.folder) files.push_back(e);
  auto rows = app.rows();
  ASSERT_EQ(rows.size(), files.size());
  for (size_t i = 0; i < rows.size(); i++) {
    EXPECT_EQ(slashes(rows[i][0]), files[i].name) << i;
    EXPECT_EQ(rows[i][1], files[i].sizeText) << i;
    EXPECT_EQ(rows[i][2].size(), 6u) << rows[i][2];
    EXPECT_EQ(rows[i][2].back(), '%');
    EXPECT_EQ(rows[i][3], files[i].dateText) << i;
  }
  std::string status = StatusBarText(app.status());
  EXPECT_EQ(status.rfind(std::to_string(expected.size()) + " 個のﾌｧｲﾙ  総圧縮率 ", 0), 0u) << status;
  ASSERT_GT(status.size(), 8u);
  EXPECT_EQ(status.substr(status.size() - 8), ")    LHA") << status;
  const LRESULT length = SendMessageA(app.status(), SB_GETTEXTLENGTHA, 0, 0);
  EXPECT_EQ(HIWORD(length) & SBT_NOBORDERS, SBT_NOBORDERS) << "the status text is drawn without borders";
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.window, IDC_EXTRACT)));
  EXPECT_TRUE(app.close());
  // Settings are written at the end.
  reg::Key k = reg::Key::open(HKEY_CURRENT_USER, kViewerSettingsKey);
  EXPECT_EQ(k.getString("Left").value_or(""), "100");
  EXPECT_EQ(k.getString("ViewMessage").value_or(""), "TRUE");
}

TEST_F(ViewerEndToEnd, SortingTwiceTurnsTheOrderAndEachColumnKeepsItsDirection) {
  Dexlor app("\"" + env("SAMPLE_ARCHIVE") + "\"");
  ASSERT_NE(app.window, nullptr);
  auto sizes = [&]() {
    std::vector<uint64_t> v;
    for (auto& r : app.rows()) {
      std::string digits;
      for (char c : r[1])
        if (c != ',') digits += c;
      v.push_back(std::stoull(digits));
    }
    return v;
  };
  app.command(ID_SORT_SIZE);
  auto up = sizes();
  EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
  EXPECT_LT(up.front(), up.back());
  app.command(ID_SORT_SIZE);
  auto down = sizes();
  EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
  app.command(ID_SORT_NAME);  // its own direction: ascending first
  auto rows = app.rows();
  for (size_t i = 1; i < rows.size(); i++) EXPECT_LE(sjis::compareNoCase(rows[i - 1][0], rows[i][0]), 0) << i;
  app.command(ID_SORT_DATE);
  app.command(ID_SORT_DATE);
  rows = app.rows();
  for (size_t i = 1; i < rows.size(); i++) EXPECT_GE(rows[i - 1][3], rows[i][3]) << i;
}

TEST_F(ViewerEndToEnd, EmptyStatesAndAQuotedPathWithABlank) {
  {
    Dexlor app("");
    ASSERT_NE(app.window, nullptr);
    EXPECT_EQ(WindowText(app.window), "Dexlor");
    EXPECT_EQ(StatusBarText(app.status()), "0 個のﾌｧｲﾙ");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.window, IDC_EXTRACT)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.window, ID_EDIT_CLEAR)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.window, IDC_SELECT_ALL)));
  }
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  std::string folder = std::string(tmp) + "dexlor e2e 表";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string text = folder + "\\not an archive.txt";
  std::ofstream(text) << "plain text\n";
  {
    Dexlor app("\"" + text + "\"");
    ASSERT_NE(app.window, nullptr);
    EXPECT_EQ(WindowText(app.window), "Ｄｅｘｌｏｒ");
    EXPECT_EQ(StatusBarText(app.status()), "0 個のﾌｧｲﾙ");
    EXPECT_EQ(ListRowCount(app.list()), 0);
  }
  std::string copy = folder + "\\sample copy.lzh";
  ASSERT_TRUE(CopyFileA(env("SAMPLE_ARCHIVE").c_str(), copy.c_str(), FALSE));
  {
    Dexlor app("\"" + copy + "\"");
    ASSERT_NE(app.window, nullptr);
    EXPECT_EQ(WindowText(app.window), "Ｄｅｘｌｏｒ - " + copy);
    EXPECT_GT(ListRowCount(app.list()), 100);
  }
  DeleteFileA(copy.c_str());
  DeleteFileA(text.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(ViewerEndToEnd, ASecondCopyCascadesAndWrapsOnASmallDesktop) {
  {
    Dexlor first("");
    ASSERT_NE(first.window, nullptr);
    RECT a = windowRect(first.window);
    EXPECT_EQ(a.left, 100);
    EXPECT_EQ(a.top, 100);
    Dexlor second("");
    ASSERT_NE(second.window, nullptr);
    RECT b = windowRect(second.window);
    EXPECT_EQ(b.left, 140);
    EXPECT_EQ(b.top, 140);
    EXPECT_EQ(b.right - b.left, 500);
  }
  RECT desktop;
  GetClientRect(GetDesktopWindow(), &desktop);
  writeSettings(desktop.right - 220, 50);
  Dexlor first("");
  ASSERT_NE(first.window, nullptr);
  Dexlor second("");
  ASSERT_NE(second.window, nullptr);
  RECT b = windowRect(second.window);
  EXPECT_EQ(b.left, 10) << "left + 40 + 200 passes the desktop's right edge";
  EXPECT_EQ(b.top, 90);
}

TEST_F(ViewerEndToEnd, WithNoLibraryAtAllTheProgramEndsByItself) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  std::string folder = std::string(tmp) + "dexlor-alone";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string exe = folder + "\\Dexlor.exe";
  ASSERT_TRUE(CopyFileA((binFolder() + "Dexlor.exe").c_str(), exe.c_str(), FALSE));
  {
    Dexlor app("", exe, folder);
    ASSERT_TRUE(app.started);
    EXPECT_EQ(WaitForSingleObject(app.pi.hProcess, 15000), WAIT_OBJECT_0) << "notice switched off: ends at once";
  }
  DeleteFileA(exe.c_str());
  RemoveDirectoryA(folder.c_str());
}

// Names as Japanese Windows writes them into a ZIP (Shift-JIS, no UTF-8 flag,
// trail bytes 5C) through the real UNZIP32.DLL: the rows show them right.
TEST_F(ViewerEndToEnd, AZipWithJapaneseNamesIsListedRight) {
  const char* made = std::getenv("UNZIP32_ARCHIVES");
  if (!made || !*made) GTEST_SKIP() << "UNZIP32_ARCHIVES is not set";
  std::string archive = std::string("Z:") + made + "/sjis.zip";
  for (char& c : archive)
    if (c == '/') c = '\\';
  if (GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << archive << " was not made";
  if (GetFileAttributesA((binFolder() + "UNZIP32.DLL").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "UNZIP32.DLL is not built";
  Dexlor app("\"" + archive + "\"");
  ASSERT_NE(app.window, nullptr);
  const auto rows = app.rows();
  ASSERT_EQ(rows.size(), 4u);
  std::vector<std::string> names;
  for (const auto& r : rows) names.push_back(r[0]);
  for (const char* want : {"表\\ソ.txt", "予定表.txt", "能力\\十.txt", "ﾊﾝｶｸ.txt"})
    EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
  const std::string status = StatusBarText(app.status());
  ASSERT_GT(status.size(), 3u);
  EXPECT_EQ(status.substr(status.size() - 3), "Zip") << status;
}

// src\one.txt (5000 bytes) and src\ソフト\表.txt in a temporary folder, and the
// archive a real library beside the test makes of them; all removed at the end.
class MadeByLibrary {
 public:
  MadeByLibrary(const std::string& name, const std::string& archiveName) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    folder = std::string(tmp) + "dexlor e2e " + name + "\\";
    archive = folder + archiveName;
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "src").c_str(), nullptr);
    CreateDirectoryA((folder + "src\\ソフト").c_str(), nullptr);
    std::ofstream(folder + "src\\one.txt") << std::string(5000, 'x');
    std::ofstream(folder + "src\\ソフト\\表.txt") << "表";
  }
  ~MadeByLibrary() {
    DeleteFileA(archive.c_str());
    DeleteFileA((folder + "src\\ソフト\\表.txt").c_str());
    DeleteFileA((folder + "src\\one.txt").c_str());
    RemoveDirectoryA((folder + "src\\ソフト").c_str());
    RemoveDirectoryA((folder + "src").c_str());
    RemoveDirectoryA(folder.c_str());
  }
  // Runs `line` with the library's command entry; false (the test skips) when it is not built.
  bool make(const char* dll, const char* prefix, const std::string& line) {
    HMODULE lib = LoadLibraryA((binFolder() + dll).c_str());
    if (!lib) return false;
    archiver::Functions fns;
    EXPECT_TRUE(fns.bind(lib, prefix));
    char out[4096] = {};
    EXPECT_EQ(fns.command(nullptr, line.c_str(), out, sizeof out), 0) << out;
    FreeLibrary(lib);
    return true;
  }
  std::string folder, archive;
};

TEST_F(ViewerEndToEnd, ACabinetMadeByCab32IsListed) {
  MadeByLibrary made("cab", "made.cab");
  if (!made.make("CAB32.DLL", "Cab", "-a -r -mz \"" + made.archive + "\" \"" + made.folder + "src\\\" *.*"))
    GTEST_SKIP() << "CAB32.DLL is not built";
  Dexlor app("\"" + made.archive + "\"");
  ASSERT_NE(app.window, nullptr);
  EXPECT_EQ(WindowText(app.window), "Ｄｅｘｌｏｒ - " + made.archive);
  const auto rows = app.rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "one.txt");
  EXPECT_EQ(rows[0][1], "5,000");
  EXPECT_EQ(rows[1][0], "ソフト\\表.txt");
  const std::string status = StatusBarText(app.status());
  EXPECT_EQ(status.rfind("2 個のﾌｧｲﾙ  総圧縮率 ", 0), 0u) << status;
  ASSERT_GT(status.size(), 3u);
  EXPECT_EQ(status.substr(status.size() - 3), "Cab") << status;
}

// The first record loses its folder part (tar only), the others keep theirs;
// the status bar names the kind.
TEST_F(ViewerEndToEnd, ATarBz2MadeByTar32IsListed) {
  MadeByLibrary made("tar", "made.tar.bz2");
  if (!made.make("TAR32.DLL", "Tar", "c -vfB9  \"" + made.archive + "\" \"" + made.folder + "src\\\"  \"ソフト\\表.txt\" one.txt"))
    GTEST_SKIP() << "TAR32.DLL is not built";
  Dexlor app("\"" + made.archive + "\"");
  ASSERT_NE(app.window, nullptr);
  const auto rows = app.rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "表.txt");
  EXPECT_EQ(rows[1][0], "one.txt");
  EXPECT_EQ(rows[1][1], "5,000");
  const std::string status = StatusBarText(app.status());
  EXPECT_EQ(status.rfind("2 個のﾌｧｲﾙ", 0), 0u) << status;
  ASSERT_GT(status.size(), 7u);
  EXPECT_EQ(status.substr(status.size() - 7), "TAR.BZ2") << status;
}

}  // namespace

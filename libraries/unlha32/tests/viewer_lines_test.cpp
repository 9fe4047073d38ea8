// The viewer's other command lines, built by its own handler, through the library.
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "lha_handler.h"
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

TEST_F(UnlhaTest, ViewerWorkDeleteRenameAndSfxLines) {
  const std::string a = makeArchive("表.lzh", {"ソ\\b.txt", "表.txt", "dir\\old.txt", "keep.txt"});
  const ArchiveContext ctx{a, at("work") + "\\", nullptr};
  CLhaHandler handler;

  Call r = unlha(handler.BuildWorkExtractCommand(ctx, "\"ソ\\b.txt\""));
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(read("work\\b.txt"), "ソ\\b.txt");

  r = unlha(CLhaHandler::RenameCommand(ctx, "dir\\old.txt", "new.txt"));
  EXPECT_EQ(r.result, kOk) << r.report;
  HWND owner = testdialogs::makeOwner();
  {
    const ArchiveContext withWindow{a, ctx.workFolder, owner};
    testdialogs::DialogDriver d("名前の変更", IDOK, IDC_DLLS_EDIT, "表2.txt");
    r = unlha(CLhaHandler::RenameCommand(withWindow, "表.txt", ""), owner);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(r.result, kOk) << r.report;
  }
  DestroyWindow(owner);
  EXPECT_EQ(names(a), (std::vector<std::string>{"ソ\\b.txt", "表2.txt", "dir\\new.txt", "keep.txt"}));

  // The viewer writes this text into a response file with "wt" and passes "@path".
  write("Dexlor.res", CLhaHandler::DeleteText(ctx, " \"ソ\\b.txt\" \"dir\\new.txt\""));
  r = unlha("@" + at("Dexlor.res"));
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_EQ(names(a), (std::vector<std::string>{"表2.txt", "keep.txt"}));

  r = unlha(CLhaHandler::SfxCommand(ctx, at("sfx") + "\\", kSfxWin95));
  EXPECT_EQ(r.result, kOk) << r.report;
  EXPECT_TRUE(library().checkArchive(at("sfx\\表.exe").c_str(), 0)) << r.report;
  r = unlha(CLhaHandler::SfxCommand(ctx, at("sfx31") + "\\", kSfxWin31));
  EXPECT_EQ(r.result, kUnsupported);
  EXPECT_FALSE(exists("sfx31"));
}

}  // namespace

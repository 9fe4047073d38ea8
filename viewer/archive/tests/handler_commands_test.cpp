// The handlers' command lines, byte for byte: blanks matter to the libraries.
#include <gtest/gtest.h>

#include "cab_handler.h"
#include "lha_handler.h"
#include "tar_handler.h"
#include "zip_handler.h"

namespace {

const ArchiveContext ctx{"C:\\書庫\\表.lzh", "C:\\Temp\\", nullptr};

TEST(LhaCommands, ExtractSwitchesAndTheirBlanks) {
  EXPECT_EQ(CLhaHandler::ExtractText(ctx, "*.*", "D:\\out\\", {0, 0, 0}),
            "e \"C:\\書庫\\表.lzh\" \"D:\\out\\\" *.* -+ -a1");
  EXPECT_EQ(CLhaHandler::ExtractText(ctx, "\"a\" \"b\" ", "D:\\", {1, 1, 1}),
            "e \"C:\\書庫\\表.lzh\" \"D:\\\" \"a\" \"b\"  -x1 -y1 -c1 -+ -a1");
  EXPECT_EQ(CLhaHandler::ExtractText(ctx, "\"a\" ", "D:\\", {0, 1, 0}), "e \"C:\\書庫\\表.lzh\" \"D:\\\" \"a\"  -y1 -+ -a1");
}

TEST(LhaCommands, SelfExtractingDeleteRenameAndWork) {
  EXPECT_EQ(CLhaHandler::SfxCommand(ctx, "E:\\", kSfxWin95), "s \"C:\\書庫\\表.lzh\" \"E:\\\" -gw -x -+ -a1");
  EXPECT_EQ(CLhaHandler::SfxCommand(ctx, "E:\\", kSfxWin31), "s \"C:\\書庫\\表.lzh\" \"E:\\\" -jw -x -+ -a1");
  EXPECT_EQ(CLhaHandler::SfxCommand(ctx, "E:\\", kSfxDos), "s \"C:\\書庫\\表.lzh\" \"E:\\\" -x -+ -a1");
  EXPECT_EQ(CLhaHandler::DeleteText(ctx, " \"a\" \"ソ\\b\""), "d -+  \"C:\\書庫\\表.lzh\"  \"a\" \"ソ\\b\"\n");
  EXPECT_EQ(CLhaHandler::RenameCommand(ctx, "dir\\old.txt", "new.txt"),
            "n \"C:\\書庫\\表.lzh\" \"dir\\old.txt\" -pn -gr\"new.txt\"");
  EXPECT_EQ(CLhaHandler::RenameCommand(ctx, "old.txt", ""), "n \"C:\\書庫\\表.lzh\" \"old.txt\" -pn -+ -a1");
  CLhaHandler h;
  EXPECT_EQ(h.BuildWorkExtractCommand(ctx, "\"a.txt\""), "e \"C:\\書庫\\表.lzh\" \"C:\\Temp\\\" \"a.txt\" -p -+ -a1 -c1 -m1");
}

TEST(CabCommands, ExtractSwitches) {
  EXPECT_EQ(CCabHandler::ExtractCommand(ctx, "*.*", "D:\\", {0, 0, 0}), "-x \"C:\\書庫\\表.lzh\" \"D:\\\" *.* -j  -n ");
  EXPECT_EQ(CCabHandler::ExtractCommand(ctx, "\"a\" ", "D:\\", {1, 1, 0}), "-x \"C:\\書庫\\表.lzh\" \"D:\\\" \"a\" ");
  EXPECT_EQ(CCabHandler::ExtractCommand(ctx, "*.*", "D:\\", {1, 0, 1}), "-x \"C:\\書庫\\表.lzh\" \"D:\\\" *.* -n  -o ");
  EXPECT_EQ(CCabHandler::SfxCommand(ctx, "E:\\"), "-f \"C:\\書庫\\表.lzh\" \"E:\\\" ");
  CCabHandler h;
  EXPECT_EQ(h.BuildWorkExtractCommand(ctx, "\"a\""), "-x \"C:\\書庫\\表.lzh\" \"C:\\Temp\\\" \"a\" -j -i -o ");
}

TEST(TarCommands, ExtractAndWork) {
  EXPECT_EQ(CTarHandler::ExtractText(ctx, "\"a\" ", "D:\\", {0, 0, 1}),
            "--use-directory=0 qxvf \"C:\\書庫\\表.lzh\" \"D:\\\" \"a\" ");
  EXPECT_EQ(CTarHandler::ExtractText(ctx, "*.*", "D:\\", {1, 1, 0}), "--use-directory=1 xvf \"C:\\書庫\\表.lzh\" \"D:\\\" *.*");
  CTarHandler h;
  EXPECT_EQ(h.BuildWorkExtractCommand(ctx, "\"a\""), "--use-directory=0 xfI \"C:\\書庫\\表.lzh\" -o \"C:\\Temp\\\" \"a\"");
}

TEST(ZipCommands, ExtractAndWork) {
  EXPECT_EQ(CZipHandler::ExtractCommand(ctx, "D:\\", {1, 0, 0}, "C:\\T\\@Dexlor@@.res"),
            "-x  \"C:\\書庫\\表.lzh\" \"D:\\\" @C:\\T\\@Dexlor@@.res");
  EXPECT_EQ(CZipHandler::ExtractCommand(ctx, "D:\\", {0, 1, 1}, "R"), "-x -j -o  \"C:\\書庫\\表.lzh\" \"D:\\\" @R");
  CZipHandler h;
  EXPECT_EQ(h.BuildWorkExtractCommand(ctx, "\"a\""), "-x --i -o -j \"C:\\書庫\\表.lzh\" \"C:\\Temp\\\" \"a\"");
}

}  // namespace

// Command texts: quoting, blanks, response files.
#include <gtest/gtest.h>

#include "command_line.h"
#include "base/error.h"
#include "test_support.h"

using dllsupport::expandCommandLine;
using dllsupport::Token;
using dllsupport::tokenize;

namespace {

std::vector<std::string> texts(const std::vector<Token>& ts) {
  std::vector<std::string> out;
  for (const auto& t : ts) out.push_back(t.text);
  return out;
}

TEST(Tokenize, QuotesBlanksAndQuotesInsideAnOperand) {
  const auto t = tokenize("e \"C:\\書庫\\表.lzh\"  \"D:\\\" \"a b\"\t-gr\"new name\"  -x1\r\n");
  EXPECT_EQ(texts(t), (std::vector<std::string>{"e", "C:\\書庫\\表.lzh", "D:\\", "a b", "-grnew name", "-x1"}));
  EXPECT_FALSE(t[0].quoted);
  EXPECT_TRUE(t[1].quoted);
  EXPECT_FALSE(t[4].quoted);  // a switch whose value is quoted is still a switch
  EXPECT_EQ(texts(tokenize("\"\" x \"unclosed to end")), (std::vector<std::string>{"", "x", "unclosed to end"}));
  EXPECT_TRUE(tokenize(" \t\r\n ").empty());
}

TEST(ResponseFiles, LinesAndBlanksSeparateAndFilesNest) {
  testsupport::TempDir dir;
  const std::string inner = dir / "inner.res";
  const std::string outer = dir / "outer.res";
  testsupport::writeFile(inner, std::string("\"ソ\\b c.txt\"\r\n表.txt\r\n"));
  testsupport::writeFile(outer, "d -+  \"x.lzh\"\r\n \"a\"  @" + inner + "\r\n-p\r\n");
  EXPECT_EQ(texts(expandCommandLine("@" + outer)),
            (std::vector<std::string>{"d", "-+", "x.lzh", "a", "ソ\\b c.txt", "表.txt", "-p"}));
  // Quoted, an @ operand is a name.
  EXPECT_EQ(texts(expandCommandLine("\"@" + outer + "\"")), (std::vector<std::string>{"@" + outer}));
}

TEST(ResponseFiles, AWholeTextPathWithBlanksAndErrors) {
  testsupport::TempDir dir;
  const std::string spaced = dir / "with blank.res";
  testsupport::writeFile(spaced, std::string("l x.lzh\n"));
  EXPECT_EQ(texts(expandCommandLine("@" + spaced)), (std::vector<std::string>{"l", "x.lzh"}));
  EXPECT_THROW(expandCommandLine("@" + (dir / "missing.res")), fmt::Error);
  const std::string loop = dir / "loop.res";
  testsupport::writeFile(loop, "@" + loop);
  EXPECT_THROW(expandCommandLine("@" + loop), fmt::Error);
}

}  // namespace

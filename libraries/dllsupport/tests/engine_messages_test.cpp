// The engines' English messages as the reports give them, in Japanese.
#include <gtest/gtest.h>

#include <string>

#include "engine_messages.h"
#include "platform/platform.h"
#include "sjis_path.h"

namespace {

// Engine text is UTF-8; this file's narrow literals are Shift-JIS.
std::string utf8(const std::string& sjis) { return fmt::platform::sjisToUtf8(sjis); }

TEST(EngineMessages, FormsOfTheTableAreWellMade) { EXPECT_EQ(dllsupport::firstMalformedForm(), -1); }

TEST(EngineMessages, PartsAreCarriedOverInTheirJapanesePlaces) {
  using dllsupport::engineMessage;
  // A name in UTF-8 comes back in Shift-JIS; 表 and ソ end in 5C.
  EXPECT_EQ(engineMessage(utf8("CRC error in 資料/表ソ.txt")), "資料/表ソ.txt の CRC が一致しません");
  // Parts change their order where Japanese puts them elsewhere.
  EXPECT_EQ(engineMessage("unsupported method -pm1- for a.txt"), "a.txt の圧縮形式 -pm1- には対応していません");
  EXPECT_EQ(engineMessage("an extended header of 99999 bytes at offset 1536 is too large; the rest of the archive is "
                          "ignored"),
            "位置 1536 の拡張ヘッダ (99999 バイト) が大きすぎます。書庫の残りは無視します");
  // A '%' of a name is taken as it stands, not as a reference.
  EXPECT_EQ(engineMessage("CRC error in 100%1.txt"), "100%1.txt の CRC が一致しません");
}

TEST(EngineMessages, MessagesWithinMessagesAndTheMostSpecificForm) {
  using dllsupport::engineMessage;
  EXPECT_EQ(engineMessage("LZX: match distance beyond the data decoded so far"),
            "LZX のデータ: 一致の距離が展開済みのデータを越えています");
  EXPECT_EQ(engineMessage("the entry cannot be extracted: its data overlaps another entry's"),
            "この項目は展開できません: データが別の項目のデータと重なっています");
  EXPECT_EQ(engineMessage("cabinet ends inside the previous cabinet's name"), "前のキャビネットの名前の途中でキャビネットが終わっています");
  // Both "the archive ends inside {}" and this fit: the longer fixed text wins.
  EXPECT_EQ(engineMessage("the archive ends inside a header at offset 512"), "位置 512 のヘッダの途中で書庫が終わっています");
  // A part that is no known message is given as it stands.
  EXPECT_EQ(engineMessage("cabinet at offset 100: a brand-new complaint"), "位置 100 のキャビネット: a brand-new complaint");
  EXPECT_EQ(engineMessage("deflate data: invalid distance too far back"), "deflate のデータ: 距離が遠すぎます");
}

TEST(EngineMessages, UnknownMessagesStayAsTheyAre) {
  using dllsupport::engineMessage;
  EXPECT_EQ(engineMessage("something no engine says"), "something no engine says");
  EXPECT_EQ(engineMessage(utf8("資料 went wrong")), dllsupport::fromEngine(utf8("資料 went wrong")));
  EXPECT_EQ(engineMessage(""), "");
  // Near misses of a form are not taken for it.
  EXPECT_EQ(engineMessage("CRC error in "), "CRC error in ");
  EXPECT_EQ(engineMessage("a CRC error in x"), "a CRC error in x");
}

}  // namespace

// The file-list block, the drag rules and the data source, without windows.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include "file_list_block.h"
#include "ole_data_source.h"
#include "ole_drop_source.h"

namespace {

std::vector<std::string> Read(HGLOBAL block) {
  const void* p = GlobalLock(block);
  std::vector<std::string> names = ReadFileListBlock(p, GlobalSize(block));
  GlobalUnlock(block);
  return names;
}

}  // namespace

TEST(FileListBlock, HoldsThePathsInTheShellsLayoutAndOnlyThoseThatFit) {
  size_t added = 0;
  HGLOBAL block = BuildFileListBlock({"C:\\w\\表.txt", "C:\\w\\b"}, kFileListBlockSize, &added);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(added, 2u);
  EXPECT_EQ(GlobalSize(block), kFileListBlockSize);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  const auto* header = reinterpret_cast<const DROPFILES*>(bytes);
  EXPECT_EQ(header->pFiles, 20u);
  EXPECT_EQ(header->pt.x, 0);
  EXPECT_FALSE(header->fNC);
  EXPECT_FALSE(header->fWide);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 20)), "C:\\w\\表.txt");
  GlobalUnlock(block);
  // The shell's own reader agrees.
  EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(block), 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(Read(block), (std::vector<std::string>{"C:\\w\\表.txt", "C:\\w\\b"}));
  GlobalFree(block);

  // 20 + "abcd\0" + "ef\0" would leave no room for the closing zero of a third.
  block = BuildFileListBlock({"abcd", "ef", "g"}, 20 + 5 + 3 + 1, &added);
  EXPECT_EQ(added, 2u);
  EXPECT_EQ(Read(block), (std::vector<std::string>{"abcd", "ef"}));
  GlobalFree(block);
  block = BuildFileListBlock({std::string(100, 'x')}, 64, &added);
  EXPECT_EQ(added, 0u) << "a path longer than the block is left out, never written past it";
  EXPECT_TRUE(Read(block).empty());
  GlobalFree(block);
}

TEST(FileListBlock, ReadsWideListsAndStopsAtABrokenOne) {
  std::vector<unsigned char> wide(20);
  wide[0] = 20;
  wide[16] = 1;
  for (const wchar_t* name : {L"C:\\\x8868.lzh", L"D:\\b"}) {
    for (const wchar_t* c = name; *c; ++c) {
      wide.push_back(static_cast<unsigned char>(*c & 0xFF));
      wide.push_back(static_cast<unsigned char>(*c >> 8));
    }
    wide.push_back(0);
    wide.push_back(0);
  }
  wide.push_back(0);
  wide.push_back(0);
  EXPECT_EQ(ReadFileListBlock(wide.data(), wide.size()), (std::vector<std::string>{"C:\\表.lzh", "D:\\b"}));
  // Cut inside the second name: only the whole first one.
  EXPECT_EQ(ReadFileListBlock(wide.data(), wide.size() - 6), std::vector<std::string>{"C:\\表.lzh"});
  // A narrow list without its end, an offset past the block, a block shorter than the header.
  const char narrow[] = "\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0abc";
  EXPECT_TRUE(ReadFileListBlock(narrow, sizeof narrow - 1).empty());
  unsigned char pastEnd[24] = {0xFF, 0xFF};
  EXPECT_TRUE(ReadFileListBlock(pastEnd, sizeof pastEnd).empty());
  EXPECT_TRUE(ReadFileListBlock(pastEnd, 10).empty());
}

TEST(DragRules, EscapeOrTheOtherButtonCancelAndAReleaseDropsOnlyAfterARealDrag) {
  EXPECT_EQ(DecideDrag(TRUE, MK_LBUTTON, true), DragAnswer::Cancel);
  EXPECT_EQ(DecideDrag(FALSE, MK_LBUTTON | MK_RBUTTON, true), DragAnswer::Cancel);
  EXPECT_EQ(DecideDrag(FALSE, MK_LBUTTON, false), DragAnswer::Continue);
  EXPECT_EQ(DecideDrag(FALSE, MK_LBUTTON | MK_CONTROL, true), DragAnswer::Continue);
  EXPECT_EQ(DecideDrag(FALSE, 0, true), DragAnswer::Drop);
  EXPECT_EQ(DecideDrag(FALSE, MK_SHIFT, false), DragAnswer::Cancel) << "released inside the start area";
}

TEST(DataSource, GivesCopiesOfItsBlocksKeepsWhatTargetsSetAndGoesWithItsLastReference) {
  OleInitialize(nullptr);
  const LONG live = COleDataSource::Live();
  COleDataSource* source = COleDataSource::Create();
  EXPECT_EQ(COleDataSource::Live(), live + 1);
  source->CacheGlobalData(CF_HDROP, BuildFileListBlock({"C:\\a"}, 64));

  FORMATETC drop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  FORMATETC asFile{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE};
  EXPECT_EQ(source->QueryGetData(&drop), S_OK);
  EXPECT_EQ(source->QueryGetData(&text), DV_E_FORMATETC);
  EXPECT_EQ(source->QueryGetData(&asFile), DV_E_FORMATETC);
  STGMEDIUM m{};
  ASSERT_EQ(source->GetData(&drop, &m), S_OK);
  EXPECT_EQ(m.pUnkForRelease, nullptr);
  EXPECT_EQ(Read(m.hGlobal), std::vector<std::string>{"C:\\a"});
  ReleaseStgMedium(&m);  // the receiver's copy
  ASSERT_EQ(source->GetData(&drop, &m), S_OK) << "the source's own block is still there";
  ReleaseStgMedium(&m);

  // A target's note of how the drop went.
  const CLIPFORMAT performed = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Performed DropEffect"));
  FORMATETC note{performed, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM given{};
  given.tymed = TYMED_HGLOBAL;
  given.hGlobal = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
  *static_cast<DWORD*>(GlobalLock(given.hGlobal)) = DROPEFFECT_COPY;
  GlobalUnlock(given.hGlobal);
  EXPECT_EQ(source->SetData(&note, &given, TRUE), S_OK);
  EXPECT_EQ(source->QueryGetData(&note), S_OK);

  IEnumFORMATETC* formats = nullptr;
  ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  std::vector<CLIPFORMAT> seen;
  FORMATETC f;
  while (formats->Next(1, &f, nullptr) == S_OK) seen.push_back(f.cfFormat);
  formats->Release();
  EXPECT_EQ(seen, (std::vector<CLIPFORMAT>{CF_HDROP, performed}));

  source->AddRef();
  EXPECT_EQ(source->Release(), 1u);
  EXPECT_EQ(COleDataSource::Live(), live + 1);
  EXPECT_EQ(source->Release(), 0u);
  EXPECT_EQ(COleDataSource::Live(), live);
  OleUninitialize();
}

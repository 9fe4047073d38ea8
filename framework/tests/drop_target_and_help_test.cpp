// The drop-target base on a real window: what OLE holds while it is registered,
// how the four operations reach the overridables, and the help topic's path.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html_help.h"
#include "ole_drop_target.h"

namespace {

// Answers as configured and records what was called.
class RecordingTarget : public COleDropTarget {
 public:
  DROPEFFECT OnDragEnter(IDataObject*, DWORD, POINT p) override {
    calls.push_back("enter");
    last = p;
    return enter;
  }
  DROPEFFECT OnDragOver(IDataObject*, DWORD, POINT) override {
    calls.push_back("over");
    return over;
  }
  BOOL OnDrop(IDataObject*, DROPEFFECT effect, POINT) override {
    calls.push_back("drop " + std::to_string(effect));
    return TRUE;
  }
  DROPEFFECT OnDropEx(IDataObject*, DROPEFFECT, DROPEFFECT, POINT) override {
    calls.push_back("dropex");
    return dropEx;
  }
  void OnDragLeave() override { calls.push_back("leave"); }
  DROPEFFECT enter = DROPEFFECT_COPY, over = DROPEFFECT_COPY, dropEx = kDropNotHandled;
  std::vector<std::string> calls;
  POINT last{};
};

HWND makeWindow() {
  return CreateWindowExA(0, "STATIC", "target", WS_POPUP | WS_VISIBLE, 200, 150, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

TEST(DropTarget, OleHoldsItOnlyWhileRegistered) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  HWND w = makeWindow();
  {
    RecordingTarget t;
    EXPECT_EQ(t.References(), 0u);
    ASSERT_TRUE(t.Register(w));
    EXPECT_GE(t.References(), 1u);
    EXPECT_EQ(t.Window(), w);
    EXPECT_FALSE(RecordingTarget().Register(w)) << "one target per window";
    t.Revoke();
    EXPECT_EQ(t.References(), 0u);
    EXPECT_EQ(t.Window(), nullptr);
    ASSERT_TRUE(t.Register(w)) << "the window is free again";
  }  // the destructor revokes: registering anew works
  RecordingTarget again;
  EXPECT_TRUE(again.Register(w));
  again.Revoke();
  DestroyWindow(w);
  OleUninitialize();
}

TEST(DropTarget, OperationsReachTheOverridables) {
  HWND w = makeWindow();
  RecordingTarget t;
  t.Register(w);  // for the window's client coordinates
  IDropTarget* i = &t;
  POINTL screen{210, 170};
  DWORD effect = DROPEFFECT_MOVE;
  i->DragEnter(nullptr, 0, screen, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << "never more than the source allows";
  EXPECT_EQ(t.last.x, 10);
  EXPECT_EQ(t.last.y, 20);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  i->DragOver(0, screen, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  // OnDropEx declines: OnDrop does the work with what OnDragOver offers.
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  i->Drop(nullptr, 0, screen, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(t.calls, (std::vector<std::string>{"enter", "over", "over", "dropex", "drop 1"}));
  // OnDropEx takes it: OnDrop is not called.
  t.calls.clear();
  t.dropEx = DROPEFFECT_COPY;
  effect = DROPEFFECT_COPY;
  i->Drop(nullptr, 0, screen, &effect);
  EXPECT_EQ(t.calls, (std::vector<std::string>{"over", "dropex"}));
  // The base itself accepts nothing.
  COleDropTarget base;
  effect = DROPEFFECT_COPY;
  static_cast<IDropTarget*>(&base)->DragEnter(nullptr, 0, screen, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY;
  static_cast<IDropTarget*>(&base)->Drop(nullptr, 0, screen, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_FALSE(OffersFileList(nullptr));
  t.Revoke();
  DestroyWindow(w);
}

TEST(HelpTopic, BesideTheProgram) {
  EXPECT_EQ(HelpTopicBeside("C:\\Tools\\Pakmo.exe", "Pakmo1.htm"), "C:\\Tools\\Pakdex.chm::/Pakmo1.htm");
  EXPECT_EQ(HelpTopicBeside("Pakmo.exe", "Pakmo1.htm"), "Pakdex.chm::/Pakmo1.htm");
  // 表 ends in the byte of a backslash: the folder is cut at the real one.
  EXPECT_EQ(HelpTopicBeside("C:\\表\\Pakmo.exe", "Pakmo1.htm"), "C:\\表\\Pakdex.chm::/Pakmo1.htm");
  EXPECT_EQ(HelpTopicBeside("C:\\表", "Dexlor1.htm"), "C:\\Pakdex.chm::/Dexlor1.htm");
}

}  // namespace

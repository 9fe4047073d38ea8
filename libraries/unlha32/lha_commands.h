// The commands of Unlha over the LZH engine. Each returns a result value
// (dllsupport/results.h) and writes its lines into the report; errors from the
// engine are thrown and turned into a line and a result by the caller.
#pragma once
#include <windows.h>

#include "dialogs.h"
#include "lha_options.h"
#include "report.h"

namespace unlha {

struct Context {
  HWND window = nullptr;
  LhaOptions options;
  dllsupport::Report report;
  dllsupport::ProgressWindow* progress = nullptr;
};

int runCommand(Context& ctx);

int extractCommand(Context& ctx);  // e x t
int listCommand(Context& ctx);     // l v
int printCommand(Context& ctx);    // p
int addCommand(Context& ctx);      // a u f
int deleteCommand(Context& ctx);   // d
int renameCommand(Context& ctx);   // n
int sfxCommand(Context& ctx);      // s

}  // namespace unlha

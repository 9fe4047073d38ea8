// The commands of Cab over the Cabinet engine. Each returns a result value
// (dllsupport/results.h) and writes its lines into the report; errors from the
// engine are thrown and turned into a line and a result by the caller.
#pragma once
#include <windows.h>

#include "cab_options.h"
#include "dialogs.h"
#include "report.h"

namespace cab32 {

struct Context {
  HWND window = nullptr;
  CabOptions options;
  dllsupport::Report report;
  dllsupport::ProgressWindow* progress = nullptr;
};

int runCommand(Context& ctx);

int extractCommand(Context& ctx);  // -x -t
int listCommand(Context& ctx);     // -l
int createCommand(Context& ctx);   // -a
int sfxCommand(Context& ctx);      // -f

}  // namespace cab32

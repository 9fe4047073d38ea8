// The commands of UnZip over the ZIP engine. Each returns a result value
// (dllsupport/results.h) and writes its lines into the report; errors from the
// engine are thrown and turned into a line and a result by the caller.
#pragma once
#include <windows.h>

#include "dialogs.h"
#include "report.h"
#include "unzip_options.h"

namespace unzip32 {

struct Context {
  HWND window = nullptr;
  UnZipOptions options;
  dllsupport::Report report;
  dllsupport::ProgressWindow* progress = nullptr;
};

// -x and -t extract or test, -l lists.
int runCommand(Context& ctx);

}  // namespace unzip32

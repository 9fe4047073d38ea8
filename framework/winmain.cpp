// The entry point of every windowed program of the suite: runs its application object.
#include "app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  CWinApp* app = CWinApp::Current();
  if (!app) return 1;
  return app->Run(instance, commandLine, show);
}

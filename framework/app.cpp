#include "app.h"

CWinApp* CWinApp::s_current = nullptr;

namespace {
HINSTANCE g_resources = nullptr;
}

HINSTANCE FrameworkResourceHandle() { return g_resources ? g_resources : GetModuleHandleA(nullptr); }
void SetFrameworkResourceHandle(HINSTANCE instance) { g_resources = instance; }

CWinApp::CWinApp() { s_current = this; }

CWinApp::~CWinApp() {
  if (s_current == this) s_current = nullptr;
}

int CWinApp::Run(HINSTANCE instance, LPSTR commandLine, int show) {
  m_hInstance = instance;
  m_commandLine = commandLine ? commandLine : "";
  m_nCmdShow = show;
  InitInstance();
  return ExitInstance();
}

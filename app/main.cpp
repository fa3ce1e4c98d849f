#include <windows.h>

#include "app/run.h"

// lpCmdLine is the runtime's cut of the command line; the run cuts it itself (core::ArgumentPart).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { app::Main(); }

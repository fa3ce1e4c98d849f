#include <windows.h>

#include "app/run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { app::Main(); }

#include <windows.h>

#include "app/Module1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { app::Main(); }

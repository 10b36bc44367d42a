// Entry point of the setup program: the start-up sequence runs the wizard.
#include <windows.h>

#include "startup/startup_sequence.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return runStartup(instance, commandLine);
}

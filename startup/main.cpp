// Entry point of the setup program: the start-up sequence runs the wizard.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "startup/library_search.h"
#include "startup/startup_sequence.h"

// An escaped exception ends the process as the runtime's own handler would, but
// without writing the exception's name to a console that a GUI program does not
// have: that handler alone links in the C++ name demangler.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // Before anything can load a library: a planted one beside the setup is never run.
    restrictLibrarySearch();
    return runStartup(instance, commandLine);
}

// Entry point of the setup program. The wizard is not part of this build yet, so
// the program says so and ends.
#include <windows.h>

#include "startup/setup_session.h"
#include "wizard/message_box.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    gSession.moduleInstance = instance;
    showMessage(
        "This build of the Kestrova setup is not finished yet: the wizard is still to come.",
        MB_OK | MB_ICONINFORMATION);
    return 0;
}

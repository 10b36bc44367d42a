// Walking the real setup's wizard from another process: Next through every page
// with the default choices, pictures of the pages, Finish, and the documents that
// the setup opened (recorded by the stand-in browser instead of reaching one).
#pragma once

#include <functional>
#include <string>

#include "tests/e2e/setup_process.h"
#include "tests/support/wizard_driver.h"

// The setup opens web pages and .htm documents through open_recorder.exe from now
// on, which writes them to a file of this prefix; openedDocuments() reads it.
void recordOpenedDocuments();
std::string recordFile();
std::string openedDocuments();

// Has the setup paint the whole wizard now, and lets it finish, before the page
// is looked at: Wine paints child windows lazily.
void settle(SetupProcess& setup, WizardDriver& wizard);

using PageVisit = std::function<void(WizardDriver&, int pageId)>;

// From the welcome page to the finish page with Next and the default choices
// (the licence accepted), calling `visit` on every page once it is painted; the
// installing page moves on by itself. Stops on the finish page. With `dpiTag`
// and --screens, saves a picture of every page as "<page>-<dpiTag>.bmp".
void walkToFinish(SetupProcess& setup, WizardDriver& wizard, const char* dpiTag,
                  const PageVisit& visit);

// Presses Finish and waits for the setup to end with exit code 0.
void finish(SetupProcess& setup, WizardDriver& wizard);

// Starts the setup under test (--setup) and installs with the default choices
// through the wizard, its documents recorded, up to and including Finish.
void installWithTheDefaults();

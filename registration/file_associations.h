// The installed program's document type and the repair of missing web-page
// associations, both in the current user's class registrations
// (HKEY_CURRENT_USER\Software\Classes). Nothing here shows a message; what was
// written stays written when a later write fails.
#pragma once

// Registers ".htm" and ".html" as "Open.html.file" where they have no program
// (existing associations are never touched), then the document type, then tells
// the shell that associations changed. 0 when a write of the repair (other than
// its open command, whose failure only skips that extension) failed or the
// document type was not registered, else 1.
int setUpFileAssociations();

// ".kvrd" as "KVRD.file", opened by and shown with kvr.exe in the folder of the
// settings value "InstallFolder". 0 when that value is missing or blank (nothing
// is written) or one of the command, icon and extension writes failed, else 1.
int registerDocumentType();

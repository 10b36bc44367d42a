// The installed program's document type and the repair of missing web-page
// associations, both in the current user's class registrations
// (HKEY_CURRENT_USER\Software\Classes). Nothing here shows a message; what was
// written stays written when a later write fails.
#pragma once

// What the registrations write, named once for them and for the uninstaller,
// which removes each only while it still holds what was written.
inline constexpr const char* kDocumentTypeName = "KVRD.file";
inline constexpr const char* kDocumentTypeKey = "Software\\Classes\\KVRD.file";
inline constexpr const char* kDocumentCommandKey =
    "Software\\Classes\\KVRD.file\\Shell\\open\\Command";
inline constexpr const char* kDocumentIconKey = "Software\\Classes\\KVRD.file\\DefaultIcon";
inline constexpr const char* kDocumentExtension = ".kvrd";
inline constexpr const char* kDocumentExtensionKey = "Software\\Classes\\.kvrd";
inline constexpr const char* kWebPageTypeName = "Open.html.file";
inline constexpr const char* kWebPageTypeKey = "Software\\Classes\\Open.html.file";
inline constexpr const char* kWebPageExtensionKeys[] = {"Software\\Classes\\.htm",
                                                        "Software\\Classes\\.html"};
struct ClassValue {
    const char* name;  // empty: the key's default value
    const char* data;
};
// The values of each repaired extension's key, in the order they are written.
inline constexpr ClassValue kWebPageExtensionValues[] = {
    {"", kWebPageTypeName}, {"Content Type", "text/html"}, {"PerceivedType", "text"}};

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

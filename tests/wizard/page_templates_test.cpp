// The nine page templates as this module carries them: size, font, and every
// control's id, window class and text, read straight from the dialog resources;
// and the pictures that the three folder pages put into their icon controls.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

namespace {

struct TemplateControl {
    int id;
    std::string kind;  // the window class
    std::string text;
};

struct PageTemplate {
    int width = 0;
    int height = 0;
    std::string font;
    std::vector<TemplateControl> controls;
};

// Reads a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX records (16-bit words, items
// aligned on 32 bits, each class and text a string, an ordinal or nothing).
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* bytes) : start_(bytes), at_(bytes) {}

    PageTemplate read() {
        PageTemplate page;
        skip(2 + 2 + 4 + 4);  // version, signature, help id, extended style
        const DWORD style = dword();
        const WORD items = word();
        skip(2 + 2);  // x, y
        page.width = static_cast<short>(word());
        page.height = static_cast<short>(word());
        text();  // menu
        text();  // class
        text();  // title
        if (style & (DS_SETFONT | DS_SHELLFONT)) {
            skip(2 + 2 + 1 + 1);  // point size, weight, italic, character set
            page.font = text();
        }
        for (WORD i = 0; i < items; ++i) {
            align();
            skip(4 + 4 + 4 + 2 * 4);  // help id, extended style, style, x, y, cx, cy
            TemplateControl control;
            control.id = static_cast<int>(dword());
            control.kind = text();
            control.text = text();
            skip(word());  // creation data
            page.controls.push_back(control);
        }
        return page;
    }

private:
    WORD word() {
        WORD value;
        CopyMemory(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    DWORD dword() {
        DWORD value;
        CopyMemory(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    void skip(size_t bytes) { at_ += bytes; }
    void align() { at_ = start_ + ((at_ - start_ + 3) & ~static_cast<ptrdiff_t>(3)); }

    // A string in ANSI, or the predefined class that an ordinal names.
    std::string text() {
        const WORD first = word();
        if (first == 0xFFFF)
            return className(word());
        std::wstring wide;
        for (WORD c = first; c != 0; c = word())
            wide.push_back(static_cast<wchar_t>(c));
        std::string ansi(wide.size() * 2 + 1, '\0');
        const int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &ansi[0],
                                               static_cast<int>(ansi.size()), nullptr, nullptr);
        ansi.resize(length > 0 ? length - 1 : 0);
        return ansi;
    }
    static std::string className(WORD ordinal) {
        switch (ordinal) {
            case 0x0080:
                return "Button";
            case 0x0081:
                return "Edit";
            case 0x0082:
                return "Static";
            default:
                return "#" + std::to_string(ordinal);
        }
    }

    const BYTE* start_;
    const BYTE* at_;
};

// The template of `dialogId` in this module; an empty record when there is none.
PageTemplate loadTemplate(int dialogId) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(dialogId), RT_DIALOG);
    HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
    const auto* bytes =
        static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    return bytes != nullptr ? TemplateReader(bytes).read() : PageTemplate{};
}

constexpr int kNoId = -1;
constexpr const char* kContinueOrBrowse =
    "To continue, click Next. If you would like to select a different folder, click Browse.";

const struct {
    int dialogId;
    std::vector<TemplateControl> controls;
} kPages[] = {
    {IDD_WELCOME,
     {{kNoId, "Static", "This will install Kestrova for this Windows user account."},
      {kNoId, "Static",
       "The Setup will close all running instances of the program before continuing..."},
      {1026, "Static",
       "INFO: In case you have running schedules, make sure to save them, as they will be "
       "closed when this installer continues."},
      {1025, "Static", ""},
      {kNoId, "Static", "Click Next to continue, or Cancel to exit Setup."}}},
    {IDD_LICENCE,
     {{kNoId, "Static",
       "Please read the following License Agreement. You must accept the terms of this "
       "agreement before continuing with the installation."},
      {1000, "RichEdit20A", ""},
      {1001, "Button", "I &accept the agreement"},
      {1002, "Button", "I &do not accept the agreement"}}},
    {IDD_DESTINATION,
     {{1003, "Static", ""},
      {kNoId, "Static", "Setup will install the program into the following folder."},
      {kNoId, "Static", kContinueOrBrowse},
      {1004, "Edit", ""},
      {1005, "Button", "Bro&wse..."},
      {1006, "Static", ""},
      {1007, "Static", ""},
      {kNoId, "Static", "At least 50 MB of free disk space is required."}}},
    {IDD_START_MENU,
     {{1008, "Static", ""},
      {kNoId, "Static",
       "Setup will create the program's shortcut in the following Start Menu folder."},
      {kNoId, "Static", kContinueOrBrowse},
      {1009, "Edit", ""},
      {1010, "Button", "Bro&wse..."},
      {1011, "Button", "&Do not create a Start Menu folder"}}},
    {IDD_DATA_FOLDER,
     {{1012, "Static", ""},
      {kNoId, "Static",
       "Setup will use the following folder to store the program's recordings && data files."},
      {kNoId, "Static", kContinueOrBrowse},
      {1013, "Edit", ""},
      {1014, "Button", "Bro&wse..."},
      {1006, "Static", ""}}},
    {IDD_TASKS,
     {{kNoId, "Static",
       "Select additional tasks that you would like Setup to perform while installing the "
       "program, then click Next."},
      {kNoId, "Static", "Additional shortcuts:"},
      {1015, "Button", "Create a &desktop shortcut icon"},
      {1016, "Button", "Create a &Quick Launch shortcut icon"}}},
    {IDD_READY,
     {{kNoId, "Static",
       "Click Next to begin installation, or click Back if you want to review or change any "
       "settings."},
      {1017, "Edit", ""}}},
    {IDD_INSTALLING, {{1020, "Static", ""}, {1019, "Static", ""}, {1018, "msctls_progress32", ""}}},
    {IDD_FINISH,
     {{kNoId, "Static",
       "Setup has finished installing the program on your computer. The application may be "
       "launched using the installed shortcuts."},
      {kNoId, "Static", "Select action to perform when Setup is Finished:"},
      {1021, "Button", "Launch the &program"},
      {1022, "Button", "Display &documentation on how to use the program"},
      {kNoId, "Static",
       "(Documentation can be accessed later by pressing F1 keyboard key in the program.)"},
      {1023, "Button", "Launch Quick Hardware Setup &wizard"},
      {1024, "Static",
       "IMPORTANT: Sound Input device may be required to be configured on some systems before "
       "you can begin recording. Check Quick Hardware Setup for more info."},
      {kNoId, "Static", "Click Finish to exit Setup."}}},
};

TEST(PageTemplates, EveryPageHasItsSizeFontAndControlsWithTheirTexts) {
    for (const auto& expected : kPages) {
        SCOPED_TRACE("dialog " + std::to_string(expected.dialogId));
        const PageTemplate page = loadTemplate(expected.dialogId);
        EXPECT_EQ(330, page.width);
        EXPECT_EQ(166, page.height);
        EXPECT_EQ("MS Shell Dlg", page.font);
        ASSERT_EQ(expected.controls.size(), page.controls.size());
        for (size_t i = 0; i < page.controls.size(); ++i) {
            const TemplateControl& want = expected.controls[i];
            const TemplateControl& got = page.controls[i];
            EXPECT_EQ(want.id, got.id) << "control " << i;
            EXPECT_STRCASEEQ(want.kind.c_str(), got.kind.c_str()) << "control " << i;
            EXPECT_EQ(want.text, got.text) << "control " << i;
        }
    }
}

// Each folder page shows the icon that start-up loaded for it.
TEST(PageTemplates, FolderPagesShowTheirOwnIcons) {
    const struct {
        int dialogId;
        int iconControl;
        HICON* icon;
        int iconId;
    } pages[] = {
        {IDD_DESTINATION, 1003, &gSession.destinationIcon, 136},
        {IDD_START_MENU, 1008, &gSession.startMenuIcon, 137},
        {IDD_DATA_FOLDER, 1012, &gSession.dataFolderIcon, 134},
    };
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    for (const auto& page : pages)
        *page.icon = LoadIconA(gSession.moduleInstance, MAKEINTRESOURCEA(page.iconId));
    SettingsKeyGuard settings;
    MessageBoxAnswerer answerer({IDYES});
    std::vector<HICON> shown;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        for (const auto& page : pages) {
            if (!wizard.walkTo(page.dialogId))
                break;
            shown.push_back(reinterpret_cast<HICON>(
                SendMessageA(wizard.control(page.iconControl), STM_GETICON, 0, 0)));
        }
        wizard.press(PSBTN_CANCEL);
    });
    ASSERT_EQ(std::size(pages), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_NE(nullptr, shown[i]) << pages[i].dialogId;
        EXPECT_EQ(*pages[i].icon, shown[i]) << pages[i].dialogId;
        *pages[i].icon = nullptr;
    }
}

}  // namespace

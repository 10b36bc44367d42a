// kvrpayload: writes the stand-in documents of the main package, the HTML manual and
// the Quick Hardware Setup guide, and the list of archive entries for kvrpack.
//
//   kvrpayload OUTDIR LIST [PROGRAMS]
//
// Writes OUTDIR/Manual/... and OUTDIR/Quick Setup/... (pages, a style sheet, BMP
// images) and LIST: the lines of PROGRAMS first when given (already NAME<TAB>FILE),
// then one line per document in package order: each book's pages with index.htm
// first and its style sheet, then its pictures. Exits with 1 and a message on failure.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Topic {
    const char* stem;
    const char* title;
    const char* text;
};

const Topic kManualTopics[] = {
    {"index", "Kestrova Manual", "Kestrova records radio broadcasts on a schedule you set."},
    {"intro", "Introduction", "What Kestrova does and what you need to run it."},
    {"starting", "Starting Kestrova", "Starting the program and its first-run questions."},
    {"mainwin", "The main window", "The station list, the level meter and the recording queue."},
    {"recording", "Recording a station", "Starting and stopping a recording by hand."},
    {"schedule", "Scheduling recordings", "Recording a station at set times, once or every week."},
    {"formats", "Recording formats", "Sample rates, channels and the size of a recorded hour."},
    {"stations", "Managing stations", "Adding, naming and sorting the stations you listen to."},
    {"datafolder", "Recordings and data folder", "Where recordings go and how to move them."},
    {"settings", "Settings", "Every option of the settings dialog, page by page."},
    {"trouble", "Troubleshooting", "What to check when a recording is silent or missing."},
};

const Topic kGuideTopics[] = {
    {"index", "Quick Hardware Setup", "Connect your receiver and make a first recording."},
    {"start", "Before you start", "The parts you need and the time it takes."},
    {"unpack", "Unpacking the receiver", "What is in the box and what each part is for."},
    {"antenna", "Connecting the antenna", "Where to put the antenna for a clean signal."},
    {"cable", "Connecting the audio cable", "Receiver output to sound card input."},
    {"input", "Choosing the sound card input", "Line-in, not microphone, for the receiver."},
    {"level", "Setting the recording level", "Loud enough to hear, quiet enough not to clip."},
    {"driver", "Installing the driver", "The receiver driver is installed with the program."},
    {"drvcheck", "Checking the driver", "How to see that Windows found the receiver."},
    {"comport", "Selecting the COM port", "The serial port that tunes the receiver."},
    {"usb", "USB adapters", "Serial-to-USB adapters and their port numbers."},
    {"test", "Testing the receiver", "The built-in test tone and what it tells you."},
    {"tune", "Tuning a first station", "Enter a frequency and listen."},
    {"signal", "Signal strength", "Reading the meter and moving the antenna."},
    {"noise", "Reducing noise", "Cables, chargers and screens that hum."},
    {"linein", "Line-in versus microphone", "Why the microphone input distorts."},
    {"mixerxp", "Mixer settings on Windows XP", "The recording control panel on older systems."},
    {"mixernew", "Mixer settings on newer Windows", "The sound control panel's recording tab."},
    {"rate", "Sample rate", "Matching the sound card's rate to the recording format."},
    {"stereo", "Stereo and mono", "When a mono recording is the better choice."},
    {"timer", "Timer accuracy", "Keeping the computer's clock right for scheduled recordings."},
    {"power", "Power saving", "Stopping standby from ending a recording."},
    {"laptop", "Running on a laptop", "Battery, lid and sound input on portable computers."},
    {"tworx", "Two receivers", "Recording two stations at once."},
    {"network", "Network drives", "Recording to a folder on another computer."},
    {"disk", "Disk space", "How much room a week of recordings takes."},
    {"scheduler", "The scheduler", "Recordings that start while Kestrova is closed."},
    {"firmware", "Updating the firmware", "Loading a new receiver firmware safely."},
    {"problems", "Common problems", "Silence, hum, clipping and missed recordings."},
    {"help", "Getting help", "What to send when you ask for support."},
};

struct Book {
    const char* folder;
    const char* styleSheet;
    const Topic* topics;
    size_t topicCount;
    // Pictures per page, each "pics/<stem><n>.bmp"; a shared "pics/logo.bmp" when set.
    int picturesPerPage;
    bool sharedLogo;
};

const Book kBooks[] = {
    {"Manual", "manual.css", kManualTopics, sizeof(kManualTopics) / sizeof(Topic), 2, false},
    {"Quick Setup", "guide.css", kGuideTopics, sizeof(kGuideTopics) / sizeof(Topic), 1, true},
};

// A 3x5 pixel font for the digits drawn into each picture; bit 2 is the left column.
const unsigned char kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

constexpr int kWidth = 96;
constexpr int kHeight = 64;

void putUint16(std::string& out, unsigned value) {
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void putUint32(std::string& out, unsigned value) {
    putUint16(out, value & 0xFFFF);
    putUint16(out, value >> 16);
}

// An uncompressed 24-bit BMP: a colour field chosen by `number`, a frame, a bar
// chart and the number itself, so that every picture looks different.
std::string makePicture(int number) {
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    const unsigned char baseRed = (unsigned char)(60 + number * 37 % 150);
    const unsigned char baseGreen = (unsigned char)(80 + number * 53 % 140);
    const unsigned char baseBlue = (unsigned char)(100 + number * 71 % 130);
    auto set = [&](int x, int y, unsigned char r, unsigned char g, unsigned char b) {
        unsigned char* pixel = &rgb[(y * kWidth + x) * 3];
        pixel[0] = r;
        pixel[1] = g;
        pixel[2] = b;
    };
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool frame = x < 2 || y < 2 || x >= kWidth - 2 || y >= kHeight - 2;
            if (frame) {
                set(x, y, 30, 30, 40);
            } else {
                set(x, y, (unsigned char)(baseRed + y), baseGreen,
                    (unsigned char)(baseBlue + x / 2));
            }
        }
    }
    for (int bar = 0; bar < 5; ++bar) {
        const int height = 8 + (number * (bar + 3) * 7) % 28;
        for (int y = kHeight - 6 - height; y < kHeight - 6; ++y) {
            for (int x = 50 + bar * 8; x < 56 + bar * 8; ++x) {
                set(x, y, 250, 250, 230);
            }
        }
    }
    const std::string digits = std::to_string(number);
    for (size_t d = 0; d < digits.size(); ++d) {
        const unsigned char* glyph = kDigits[digits[d] - '0'];
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if ((glyph[row] >> (2 - column) & 1) == 0) {
                    continue;
                }
                for (int dy = 0; dy < 4; ++dy) {
                    for (int dx = 0; dx < 4; ++dx) {
                        set(8 + int(d) * 16 + column * 4 + dx, 10 + row * 4 + dy, 255, 255, 255);
                    }
                }
            }
        }
    }

    const unsigned rowBytes = kWidth * 3;  // a multiple of 4: no row padding
    const unsigned pixelBytes = rowBytes * kHeight;
    std::string out;
    out += "BM";
    putUint32(out, 54 + pixelBytes);
    putUint32(out, 0);
    putUint32(out, 54);
    putUint32(out, 40);
    putUint32(out, kWidth);
    putUint32(out, kHeight);
    putUint16(out, 1);
    putUint16(out, 24);
    putUint32(out, 0);
    putUint32(out, pixelBytes);
    putUint32(out, 2835);
    putUint32(out, 2835);
    putUint32(out, 0);
    putUint32(out, 0);
    for (int y = kHeight - 1; y >= 0; --y) {  // bottom-up rows, blue-green-red pixels
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char* pixel = &rgb[(y * kWidth + x) * 3];
            out += char(pixel[2]);
            out += char(pixel[1]);
            out += char(pixel[0]);
        }
    }
    return out;
}

std::string pictureName(const Book& book, size_t topic, int n) {
    std::string name = book.topics[topic].stem;
    if (book.picturesPerPage > 1) {
        name += std::to_string(n + 1);
    }
    return name + ".bmp";
}

std::string makeStyleSheet(const Book& book) {
    std::ostringstream css;
    css << "/* " << book.topics[0].title << " */\n"
        << "body { font-family: Tahoma, Verdana, sans-serif; font-size: 10pt; margin: 16px; }\n"
        << "h1 { font-size: 16pt; color: #1d3f6e; border-bottom: 1px solid #1d3f6e; }\n"
        << "div.nav { font-size: 8pt; margin-bottom: 12px; }\n"
        << "div.nav a { margin-right: 10px; }\n"
        << "img { border: 1px solid #888888; margin: 4px; }\n"
        << "ol.contents li { margin: 3px 0; }\n";
    return css.str();
}

std::string makePage(const Book& book, size_t index) {
    const Topic& topic = book.topics[index];
    const Topic& home = book.topics[0];
    std::ostringstream html;
    html << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html>\n<head>\n"
         << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n"
         << "<title>" << (index == 0 ? topic.title : std::string(home.title) + " - " + topic.title)
         << "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" << book.styleSheet
         << "\">\n</head>\n<body>\n<div class=\"nav\">";
    if (index != 0) {
        html << "<a href=\"index.htm\">Contents</a>";
        html << "<a href=\"" << book.topics[index - 1].stem << ".htm\">Previous</a>";
    }
    if (index + 1 < book.topicCount) {
        html << "<a href=\"" << book.topics[index + 1].stem << ".htm\">Next</a>";
    }
    html << "</div>\n";
    if (book.sharedLogo) {
        html << "<p><img src=\"pics/logo.bmp\" width=\"" << kWidth << "\" height=\"" << kHeight
             << "\" alt=\"Kestrova\"></p>\n";
    }
    html << "<h1>" << topic.title << "</h1>\n<p>" << topic.text << "</p>\n";
    for (int n = 0; n < book.picturesPerPage; ++n) {
        html << "<p><img src=\"pics/" << pictureName(book, index, n) << "\" width=\"" << kWidth
             << "\" height=\"" << kHeight << "\" alt=\"" << topic.title << "\"></p>\n";
    }
    if (index == 0) {
        html << "<ol class=\"contents\">\n";
        for (size_t i = 1; i < book.topicCount; ++i) {
            html << "<li><a href=\"" << book.topics[i].stem << ".htm\">" << book.topics[i].title
                 << "</a></li>\n";
        }
        html << "</ol>\n";
    }
    html << "</body>\n</html>\n";
    return html.str();
}

bool writeText(const fs::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    if (!out) {
        std::fprintf(stderr, "kvrpayload: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

// Writes one book and appends its list lines: pages (index first), style sheet, pictures.
bool writeBook(const Book& book, const fs::path& outDir, int* pictureNumber, std::string* list) {
    const fs::path folder = outDir / book.folder;
    std::error_code error;
    fs::create_directories(folder / "pics", error);
    if (error) {
        std::fprintf(stderr, "kvrpayload: cannot create %s\n", (folder / "pics").string().c_str());
        return false;
    }
    const std::string prefix = std::string(book.folder) + "\\";
    auto addLine = [&](const std::string& name, const fs::path& file) {
        *list += prefix + name + "\t" + file.string() + "\n";
    };
    for (size_t i = 0; i < book.topicCount; ++i) {
        const std::string name = std::string(book.topics[i].stem) + ".htm";
        if (!writeText(folder / name, makePage(book, i))) {
            return false;
        }
        addLine(name, folder / name);
    }
    if (!writeText(folder / book.styleSheet, makeStyleSheet(book))) {
        return false;
    }
    addLine(book.styleSheet, folder / book.styleSheet);
    std::vector<std::string> pictures;
    if (book.sharedLogo) {
        pictures.push_back("logo.bmp");
    }
    for (size_t i = 0; i < book.topicCount; ++i) {
        for (int n = 0; n < book.picturesPerPage; ++n) {
            pictures.push_back(pictureName(book, i, n));
        }
    }
    for (const std::string& picture : pictures) {
        if (!writeText(folder / "pics" / picture, makePicture((*pictureNumber)++))) {
            return false;
        }
        addLine("pics\\" + picture, folder / "pics" / picture);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: kvrpayload OUTDIR LIST [PROGRAMS]\n");
        return 2;
    }
    const fs::path outDir = fs::absolute(argv[1]);
    std::string list;
    if (argc == 4) {
        std::ifstream programs(argv[3], std::ios::binary);
        if (!programs) {
            std::fprintf(stderr, "kvrpayload: cannot read %s\n", argv[3]);
            return 1;
        }
        list.assign(std::istreambuf_iterator<char>(programs), std::istreambuf_iterator<char>());
        if (!list.empty() && list.back() != '\n') {
            list += '\n';
        }
    }
    int pictureNumber = 1;
    for (const Book& book : kBooks) {
        if (!writeBook(book, outDir, &pictureNumber, &list)) {
            return 1;
        }
    }
    return writeText(argv[2], list) ? 0 : 1;
}

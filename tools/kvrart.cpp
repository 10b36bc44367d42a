// kvrart: draws the wizard's icons and bitmaps from the shapes below.
//
//   kvrart OUTDIR
//
// Writes OUTDIR/kvr_application.ico (16x16 and 32x32 at 4 and 8 bits per pixel,
// with a transparency mask: the window and task bar pick their size), the page
// icons kvr_data_folder.ico, kvr_destination.ico and kvr_start_menu.ico (only the
// 32x32 one at 4 bits that their pages show: in 16 colours an 8-bit image would look
// the same at twice the bytes), kvr_watermark.bmp (2x2, 4-bit, white) and kvr_header.bmp
// (48x48, 8-bit, the application's picture on white). Every picture is drawn on a
// 32-unit grid and sampled at the pixel centres of its size, in one 16-colour
// palette, so that all of them look alike. Exits with 1 and a message on failure.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The common palette (RGB). Index 0 is also "transparent" in the icon masks.
enum Colour : uint8_t { kClear, kInk, kBlue, kSky, kGold, kAmber, kRed, kWhite, kGrey, kSlate };
constexpr uint32_t kPalette[16] = {0x000000, 0x1F2A44, 0x2F6FB5, 0x9CC8F0, 0xF2C14E,
                                   0xC98F25, 0xD9443A, 0xFFFFFF, 0xB8BFCA, 0x5A6270};

struct Canvas {
    int size;
    std::vector<uint8_t> pixels;  // top-down, one palette index each
    explicit Canvas(int s, uint8_t background = kClear)
        : size(s), pixels(size_t(s) * s, background) {}

    // Paints every pixel whose centre lies inside; `grow` widens the shape by that
    // many pixels, so that an outline stays one pixel wide at every size.
    void fill(const std::function<bool(double, double, double)>& shape, uint8_t colour,
              double grow = 0) {
        const double unit = 32.0 / size;
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column)
                if (shape((column + 0.5) * unit, (row + 0.5) * unit, grow * unit))
                    pixels[size_t(row) * size + column] = colour;
    }
};

using Shape = std::function<bool(double, double, double)>;

Shape box(double x0, double y0, double x1, double y1, double radius = 0) {
    return [=](double x, double y, double grow) {
        const double r = radius + (radius > 0 ? grow : 0);
        const double cx = std::fmax(x0 - grow + r, std::fmin(x, x1 + grow - r));
        const double cy = std::fmax(y0 - grow + r, std::fmin(y, y1 + grow - r));
        if (x < x0 - grow || x > x1 + grow || y < y0 - grow || y > y1 + grow)
            return false;
        return r <= 0 || std::hypot(x - cx, y - cy) <= r;
    };
}

Shape disc(double cx, double cy, double radius) {
    return [=](double x, double y, double grow) {
        return std::hypot(x - cx, y - cy) <= radius + grow;
    };
}

Shape stroke(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y, double grow) {
        const double dx = x1 - x0, dy = y1 - y0;
        double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
        t = std::fmax(0, std::fmin(1, t));
        return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2 + grow;
    };
}

Shape triangle(double ax, double ay, double bx, double by, double cx, double cy) {
    return [=](double x, double y, double grow) {
        auto side = [&](double px, double py, double qx, double qy) {
            const double length = std::hypot(qx - px, qy - py);
            return ((qx - px) * (y - py) - (qy - py) * (x - px)) / length;
        };
        const double s1 = side(ax, ay, bx, by), s2 = side(bx, by, cx, cy),
                     s3 = side(cx, cy, ax, ay);
        return (s1 >= -grow && s2 >= -grow && s3 >= -grow) ||
               (s1 <= grow && s2 <= grow && s3 <= grow);
    };
}

// A shape in its colour with a one-pixel outline of ink around it.
void outlined(Canvas& canvas, const Shape& shape, uint8_t colour) {
    canvas.fill(shape, kInk, 1);
    canvas.fill(shape, colour);
}

// The application: a radio with a speaker, a display, a record button and an aerial.
void drawRadio(Canvas& c) {
    c.fill(stroke(9, 11, 4, 2, 1.5), kInk);
    c.fill(disc(4, 2, 1.6), kInk);
    outlined(c, box(2, 10, 30, 28, 3), kBlue);
    outlined(c, disc(10.5, 19, 5.5), kSky);
    c.fill(disc(10.5, 19, 2.5), kInk);
    outlined(c, box(19, 13, 27, 17), kSky);
    c.fill(stroke(20.5, 15, 25.5, 15, 1), kSlate);
    outlined(c, disc(23, 23, 2.8), kRed);
}

// The folder that three of the pictures share; `front` is its front flap's colour.
void drawFolder(Canvas& c, uint8_t front) {
    outlined(c, box(2, 6, 14, 11, 1.5), kAmber);
    outlined(c, box(2, 9, 30, 28, 1.5), kAmber);
    outlined(c, box(2, 12, 30, 28, 1.5), front);
}

// Destination: the folder that the program goes into, with an arrow down into it.
void drawDestination(Canvas& c) {
    drawFolder(c, kGold);
    outlined(c, box(19, 2, 24, 12), kBlue);
    outlined(c, triangle(15, 12, 28, 12, 21.5, 21), kBlue);
    c.fill(box(19, 2, 24, 14), kBlue);
}

// Data folder: the folder with a recording's dot and its sound waves.
void drawDataFolder(Canvas& c) {
    drawFolder(c, kGold);
    outlined(c, disc(12, 20, 3.5), kRed);
    c.fill(stroke(19, 17, 19, 23, 1.5), kInk);
    c.fill(stroke(22.5, 15, 22.5, 25, 1.5), kInk);
    c.fill(stroke(26, 17.5, 26, 22.5, 1.5), kInk);
}

// Start Menu: the folder with a menu panel of three entries on its front.
void drawStartMenu(Canvas& c) {
    drawFolder(c, kGold);
    outlined(c, box(8, 15, 24, 26, 1), kWhite);
    for (double y : {18.0, 20.5, 23.0}) {
        c.fill(box(10, y - 0.6, 11.5, y + 0.6), kBlue);
        c.fill(box(13, y - 0.6, 22, y + 0.6), kSlate);
    }
}

void put16(std::string& out, uint32_t value) {
    out.push_back(char(value & 0xFF));
    out.push_back(char((value >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// BITMAPINFOHEADER, palette and bottom-up pixel rows; `heightFactor` 2 for icons,
// whose header counts the mask's rows too. Every picture uses the 16 colours of
// the common palette, so an 8-bit one stores only those (biClrUsed 16) instead of
// 240 unused black entries: 960 bytes less each in the setup.
std::string dib(const Canvas& canvas, int bits, int heightFactor) {
    std::string out;
    const uint32_t stride = ((canvas.size * bits + 31) / 32) * 4;
    const uint32_t colours = 16;
    put32(out, 40);
    put32(out, canvas.size);
    put32(out, canvas.size * heightFactor);
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, stride * canvas.size);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, colours);
    put32(out, 0);
    for (uint32_t i = 0; i < colours; ++i) {
        const uint32_t rgb = kPalette[i];
        out.push_back(char(rgb & 0xFF));
        out.push_back(char((rgb >> 8) & 0xFF));
        out.push_back(char(rgb >> 16));
        out.push_back(0);
    }
    for (int row = canvas.size - 1; row >= 0; --row) {
        std::string line(stride, '\0');
        for (int column = 0; column < canvas.size; ++column) {
            const uint8_t index = canvas.pixels[size_t(row) * canvas.size + column];
            if (bits == 8)
                line[column] = char(index);
            else
                line[column / 2] = char(line[column / 2] | (column % 2 ? index : index << 4));
        }
        out += line;
    }
    return out;
}

// The AND mask: 1 where the picture is transparent.
std::string mask(const Canvas& canvas) {
    std::string out;
    const uint32_t stride = ((canvas.size + 31) / 32) * 4;
    for (int row = canvas.size - 1; row >= 0; --row) {
        std::string line(stride, '\0');
        for (int column = 0; column < canvas.size; ++column)
            if (canvas.pixels[size_t(row) * canvas.size + column] == kClear)
                line[column / 8] = char(line[column / 8] | (0x80 >> (column % 8)));
        out += line;
    }
    return out;
}

struct IconImages {
    std::vector<int> sizes, bits;
};
const IconImages kApplicationImages{{16, 32}, {4, 8}};
const IconImages kPageImages{{32}, {4}};

std::string icon(void (*draw)(Canvas&), const IconImages& wanted) {
    struct Image {
        int size, bits;
        std::string data;
    };
    std::vector<Image> images;
    for (int size : wanted.sizes) {
        Canvas canvas(size);
        draw(canvas);
        for (int bits : wanted.bits)
            images.push_back({size, bits, dib(canvas, bits, 2) + mask(canvas)});
    }
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, uint32_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (const Image& image : images) {
        out.push_back(char(image.size));
        out.push_back(char(image.size));
        out.push_back(char(image.bits == 4 ? 16 : 0));
        out.push_back(0);
        put16(out, 1);
        put16(out, image.bits);
        put32(out, uint32_t(image.data.size()));
        put32(out, offset);
        offset += uint32_t(image.data.size());
    }
    for (const Image& image : images)
        out += image.data;
    return out;
}

std::string bitmapFile(const Canvas& canvas, int bits) {
    const std::string info = dib(canvas, bits, 1);
    const uint32_t header = 14, paletteEnd = header + 40 + 4 * 16;
    std::string out = "BM";
    put32(out, header + uint32_t(info.size()));
    put32(out, 0);
    put32(out, paletteEnd);
    return out + info;
}

bool save(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    if (file.good())
        return true;
    std::fprintf(stderr, "kvrart: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvrart OUTDIR\n");
        return 1;
    }
    const std::string folder = std::string(argv[1]) + "/";
    Canvas header(48, kWhite);
    drawRadio(header);
    const bool written =
        save(folder + "kvr_application.ico", icon(drawRadio, kApplicationImages)) &&
        save(folder + "kvr_data_folder.ico", icon(drawDataFolder, kPageImages)) &&
        save(folder + "kvr_destination.ico", icon(drawDestination, kPageImages)) &&
        save(folder + "kvr_start_menu.ico", icon(drawStartMenu, kPageImages)) &&
        save(folder + "kvr_watermark.bmp", bitmapFile(Canvas(2, kWhite), 4)) &&
        save(folder + "kvr_header.bmp", bitmapFile(header, 8));
    return written ? 0 : 1;
}

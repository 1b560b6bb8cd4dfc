// Draws the program's two 16 x 16, 24-bit window icons and writes them as .ico files:
//   make_icons <output directory>
// It runs on the build machine, so it uses the standard library only.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 16;

struct Pixel {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool transparent = true;
};

using Image = std::vector<Pixel>;  // row by row, top row first

Pixel Color(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return {red, green, blue, false};
}

// A rubber eraser lying at 45 degrees: a blue paper sleeve on the lower-left end, pink
// rubber on the upper-right end, a dark outline and a lighter upper face.
Image DrawEraser() {
    Image image(kSize * kSize);
    const double half = std::sqrt(0.5);
    const double halfLength = 7.2, halfWidth = 3.4;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double px = x + 0.5 - 8.0, py = y + 0.5 - 8.0;
            const double along = (px - py) * half;   // towards the upper right
            const double across = (px + py) * half;  // towards the lower right
            if (std::fabs(along) > halfLength || std::fabs(across) > halfWidth) continue;
            Pixel& pixel = image[static_cast<std::size_t>(y * kSize + x)];
            const bool edge =
                std::fabs(along) > halfLength - 1.0 || std::fabs(across) > halfWidth - 1.0;
            const bool sleeve = along < -1.2;
            const bool upperFace = across < -0.6;
            if (edge) {
                pixel = Color(0x40, 0x30, 0x38);
            } else if (sleeve) {
                pixel = upperFace ? Color(0x58, 0x88, 0xE8) : Color(0x28, 0x50, 0xB0);
            } else {
                pixel = upperFace ? Color(0xFF, 0xB8, 0xC8) : Color(0xE0, 0x78, 0x90);
            }
        }
    }
    return image;
}

// A 3.5-inch diskette: dark blue case with the corner cut, metal shutter with its window at
// the top, white label with two ruled lines below.
Image DrawFloppy() {
    static const char* const kArt[kSize] = {
        "KKKKKKKKKKKKKK..", "KBBSSSSSSSSSBBK.", "KBBSSSSSSDDSBBBK", "KBBSSSSSSDDSBBBK",
        "KBBSSSSSSDDSBBBK", "KBBSSSSSSSSSBBBK", "KBBBBBBBBBBBBBBK", "KBBBBBBBBBBBBBBK",
        "KBWWWWWWWWWWWWBK", "KBWLLLLLLLLLLWBK", "KBWWWWWWWWWWWWBK", "KBWLLLLLLLLLLWBK",
        "KBWWWWWWWWWWWWBK", "KBWWWWWWWWWWWWBK", "KBWWWWWWWWWWWWBK", "KKKKKKKKKKKKKKKK",
    };
    Image image(kSize * kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Pixel& pixel = image[static_cast<std::size_t>(y * kSize + x)];
            switch (kArt[y][x]) {
                case 'K':
                    pixel = Color(0x10, 0x18, 0x40);
                    break;
                case 'B':
                    pixel = Color(0x28, 0x48, 0xA8);
                    break;
                case 'S':
                    pixel = Color(0xC8, 0xC8, 0xD0);
                    break;
                case 'D':
                    pixel = Color(0x40, 0x40, 0x48);
                    break;
                case 'W':
                    pixel = Color(0xF8, 0xF8, 0xF8);
                    break;
                case 'L':
                    pixel = Color(0x90, 0x98, 0xC8);
                    break;
                default:
                    break;
            }
        }
    }
    return image;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, unsigned value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One-image .ico: the directory, then a DIB of double height (color rows, then the
// 1-bit transparency mask), both stored bottom row first.
std::vector<std::uint8_t> EncodeIco(const Image& image) {
    constexpr unsigned kColorRow = kSize * 3;               // 48 bytes, already 4-aligned
    constexpr unsigned kMaskRow = ((kSize + 31) / 32) * 4;  // 1 bit a pixel, 4-aligned
    constexpr unsigned kHeaderSize = 40;
    constexpr unsigned kImageSize = kHeaderSize + kColorRow * kSize + kMaskRow * kSize;

    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, kImageSize);
    Put32(out, 6 + 16);  // the image follows the directory

    Put32(out, kHeaderSize);
    Put32(out, kSize);
    Put32(out, kSize * 2);
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, kColorRow * kSize + kMaskRow * kSize);
    for (int i = 0; i < 4; ++i) Put32(out, 0);

    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Pixel& pixel = image[static_cast<std::size_t>(y * kSize + x)];
            out.push_back(pixel.blue);
            out.push_back(pixel.green);
            out.push_back(pixel.red);
        }
    }
    for (int y = kSize - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(kMaskRow, 0);
        for (int x = 0; x < kSize; ++x) {
            if (image[static_cast<std::size_t>(y * kSize + x)].transparent) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool Write(const std::string& path, const Image& image) {
    const std::vector<std::uint8_t> bytes = EncodeIco(image);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <output directory>\n");
        return 2;
    }
    const std::string directory = argv[1];
    if (!Write(directory + "/eraser.ico", DrawEraser()) ||
        !Write(directory + "/floppy.ico", DrawFloppy())) {
        std::fprintf(stderr, "make_icons: cannot write to %s\n", directory.c_str());
        return 1;
    }
    return 0;
}

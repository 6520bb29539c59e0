// ppm2cpp - turns a committed binary PPM asset into a C++ source file that
// defines it as constant data, so the program reads no image file at run time.
//
// Usage: ppm2cpp IN.ppm OUT.cpp font|picture
//   font     defines `const uint8_t fontStrip[]` (1849 x 48)
//   picture  defines `const Picture picture` (178 x 236)
// The image must be "P6 W H 255" with exactly the size the program expects;
// anything else stops the build with a message and status 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bytes;
};

bool readPpm(const char* path, Image& image, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot open";
    return false;
  }
  std::string magic;
  int maxValue = 0;
  in >> magic >> image.width >> image.height >> maxValue;
  if (!in || magic != "P6" || maxValue != 255) {
    why = "not a binary PPM with 255 levels";
    return false;
  }
  in.get();  // the single white-space byte before the pixels
  image.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (image.bytes.size() != static_cast<size_t>(image.width) * image.height * 3) {
    why = "pixel data does not match the header";
    return false;
  }
  return true;
}

void writeBytes(std::ostream& out, const std::vector<unsigned char>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    out << static_cast<int>(bytes[i]) << ',';
    if (i % 24 == 23) out << '\n';
  }
  out << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[3], "font") != 0 && std::strcmp(argv[3], "picture") != 0)) {
    std::cerr << "usage: ppm2cpp IN.ppm OUT.cpp font|picture\n";
    return 2;
  }
  const bool font = std::strcmp(argv[3], "font") == 0;
  const int wantWidth = font ? 1849 : 178;
  const int wantHeight = font ? 48 : 236;
  Image image;
  std::string why;
  if (!readPpm(argv[1], image, why)) {
    std::cerr << "ppm2cpp: " << argv[1] << ": " << why << "\n";
    return 1;
  }
  if (image.width != wantWidth || image.height != wantHeight) {
    std::cerr << "ppm2cpp: " << argv[1] << ": is " << image.width << " x " << image.height
              << ", expected " << wantWidth << " x " << wantHeight << "\n";
    return 1;
  }
  std::ostringstream out;
  out << "// Generated from " << argv[1] << " by ppm2cpp; do not edit.\n";
  out << "#include \"assets/assets.h\"\n\n";
  if (font) {
    out << "const uint8_t fontStrip[kFontStripWidth * kFontHeight * 3] = {\n";
    writeBytes(out, image.bytes);
    out << "};\n";
  } else {
    out << "const Picture picture = {kPictureWidth, kPictureHeight, {\n";
    writeBytes(out, image.bytes);
    out << "}};\n";
  }
  std::ofstream file(argv[2], std::ios::binary);
  file << out.str();
  if (!file) {
    std::cerr << "ppm2cpp: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}

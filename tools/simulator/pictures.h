// The pictures the simulated camera takes: rendered from its registers
// (test pattern selection, specific colour, brightness) and written as
// raw RGB 565 / RGB 888, as a bitmap file, or as JPEG.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace sim {

using Registers = std::array<BYTE, 256>;

struct Rgb {
  BYTE r, g, b;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // rows from the top, left to right
};

// Width and height of an image size code. Raw formats know only the codes
// 1 to 64; encoded pictures (JPEG, bitmap) also the larger ones.
bool RawDimensions(long sizeCode, int* width, int* height);
bool EncodedDimensions(long sizeCode, int* width, int* height);

// What the sensor sees: register 28 selects a test pattern (bit 2 on:
// bits 1-0 = colour bar, ramp 1, ramp 2, the specific colour of registers
// 29-30 as RGB 565); without a test, a plain scene lit by register 17
// (brightness, 128 neutral).
Picture Render(int width, int height, const Registers& registers);

// Raw data without header, rows from the top.
std::string EncodeRgb565(const Picture& picture);  // big-endian words
std::string EncodeRgb888(const Picture& picture);  // red, green, blue
// A 24-bit bitmap file.
std::string EncodeBitmapFile(const Picture& picture);
// A JPEG file through the imaging component; false if it cannot encode.
bool EncodeJpegFile(const Picture& picture, std::string* bytes);

HRESULT WriteBytes(const wchar_t* path, const std::string& bytes);

}  // namespace sim

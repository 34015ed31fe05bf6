// How the Registers page reads the numbers typed into its boxes: the
// register range (First and Last) and a value edited in place in binary,
// hexadecimal or decimal. Text comes as typed or pasted, so anything may be
// in it.
//
// No Windows header: the same code is built into the product and natively
// into fast tests and the fuzz target.
#pragma once

#include <cstdint>

// A range box's text (at most 6 characters are read from the box) as a
// decimal number: leading white space and a sign are taken, the digits up
// to the first other character give the number, and text without a leading
// number counts as 0. Far too large numbers give the largest (or smallest)
// 32-bit value, so they are refused like any number outside 0 to 159.
int32_t ParseRegisterNumber(const char* text);

// The value one in-place edit stands for.
constexpr unsigned kMaxRegisterValue = 255;
// An in-place edit's text in `base` (2, 16 or 10; digits 0-9, then a-f or
// A-F): the digits of the base up to the first other character (no digits
// at all: 0; signs and blanks are not digits). A number above
// kMaxRegisterValue, however long, comes back as kMaxRegisterValue + 1,
// which the list refuses.
unsigned ParseRegisterValue(const char* text, int base);

// What the command line and its text-measuring module agree on. The module holds Qt and the
// window's text measuring and nothing of the report library; the command line loads it only when
// a report command starts, so that its other commands never load Qt. Plain C types only: the two
// sides share no classes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::cli {

// The module's file name, beside the program (or in ../lib/kv3conv from it, where it is
// installed), and its one function.
#ifdef _WIN32
inline constexpr const char* TextModuleFile = "kv3conv-qttext.dll";
#else
inline constexpr const char* TextModuleFile = "kv3conv-qttext.so";
#endif
inline constexpr const char* TextModuleFunction = "kv3conv_measure_text";
// The function that draws a page picture (kv3conv preview).
inline constexpr const char* DrawModuleFunction = "kv3conv_draw_page";

}  // namespace kv::cli

// How a module marks the function as its export.
#ifdef _WIN32
#define KV3CONV_MODULE_EXPORT __declspec(dllexport)
#else
#define KV3CONV_MODULE_EXPORT __attribute__((visibility("default")))
#endif

namespace kv::cli {

// Style bits of the function's style argument.
enum : unsigned { TextBold = 1, TextItalic = 2, TextUnderline = 4, TextStrikeOut = 8 };

// Measures text (UTF-8) in the font family (UTF-8) at pixelSize pixels with the style bits, as a
// label shows it: on one line per line break when wrapWidth is 0, otherwise broken at word
// boundaries to fit wrapWidth pixels. Stores the size and returns 0.
using TMeasureTextFunction = int (*)(const char* text, std::size_t textSize, const char* family,
                                     std::size_t familySize, int pixelSize, unsigned style,
                                     std::int64_t wrapWidth, std::int64_t* width,
                                     std::int64_t* height);

// Draws the page picture whose JSON form (UTF-8, size bytes) is data into the file outPath
// (UTF-8) in format ("png", "svg" or "pdf") at dpi dots per inch. Returns 0 when the file was
// written; otherwise a zero-terminated reason, cut to errorSize bytes, is stored in error and the
// result is not 0 (no file is left behind).
using TDrawPageFunction = int (*)(const char* data, std::size_t size, const char* format, int dpi,
                                  const char* outPath, char* error, std::size_t errorSize);


}  // namespace kv::cli

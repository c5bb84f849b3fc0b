// The maker's window template in the font people read in every other program:
// the system's message font, whose dialog units then lay the window out, in
// place of the font the template was drawn with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The font a window of today's systems is written in (Segoe UI on Windows 10
// and 11), its size at the system's DPI.
LOGFONTW MessageFont();

// An extended dialog template's bytes with `font` (its size read at `dpi`) in
// the place of its own; the template as it is when it has no font to replace
// or cannot be read.
std::vector<uint8_t> WithFont(const uint8_t* dialog, size_t size, const LOGFONTW& font, UINT dpi);

// The template `id` of `instance` in the message font; empty when there is none.
std::vector<uint8_t> TemplateInMessageFont(HINSTANCE instance, int id);

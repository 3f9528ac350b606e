// The loading display's text: Liberation Sans (carried in the binary) at the cell height of
// 250 pixels, antialiased, drawn opaquely into a 24- or 32-bit surface.
#pragma once
#include <cstdint>

#include "platform/platform.h"

bool text_open();
void text_close();
bool text_size(const char* text, int32_t* width, int32_t* height);
// Clipped to the surface. Colours are 0x00RRGGBB.
bool text_draw(const SurfaceDesc& surface, int32_t x, int32_t y, const char* text, uint32_t text_colour,
               uint32_t background);

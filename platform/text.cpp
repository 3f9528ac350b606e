#include "platform/text.h"

#include <SDL.h>
#include <SDL_ttf.h>

extern "C" const unsigned char talvex_font_data[];
extern "C" const uint64_t talvex_font_size;

namespace {

constexpr int cell_height = 250;
TTF_Font* font = nullptr;

}  // namespace

bool text_open() {
  if (font) return true;
  if (!TTF_WasInit() && TTF_Init() != 0) return false;
  SDL_RWops* rw = SDL_RWFromConstMem(talvex_font_data, int(talvex_font_size));
  if (!rw) return false;
  font = TTF_OpenFontRW(rw, 1, 224);
  if (!font) return false;
  // The old text interface asked for a cell (ascent + descent) of 250 pixels: take the
  // largest point size whose line height does not exceed it.
  int low = 100, high = 400;
  while (low < high) {
    int mid = (low + high + 1) / 2;
    TTF_SetFontSize(font, mid);
    if (TTF_FontHeight(font) <= cell_height)
      low = mid;
    else
      high = mid - 1;
  }
  TTF_SetFontSize(font, low);
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  return true;
}

void text_close() {
  if (font) TTF_CloseFont(font);
  font = nullptr;
  if (TTF_WasInit()) TTF_Quit();
}

bool text_size(const char* text, int32_t* width, int32_t* height) {
  int w = 0;
  if (!font || TTF_SizeText(font, text, &w, nullptr) != 0) return false;
  *width = w;
  *height = TTF_FontHeight(font);
  return true;
}

bool text_draw(const SurfaceDesc& surface, int32_t x, int32_t y, const char* text, uint32_t text_colour,
               uint32_t background) {
  if (!font || !surface.pixels) return false;
  auto to_sdl = [](uint32_t c) { return SDL_Color{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255}; };
  SDL_Surface* glyphs = TTF_RenderText_Shaded(font, text, to_sdl(text_colour), to_sdl(background));
  if (!glyphs) return false;
  // An 8-bit surface whose palette runs from the background to the text colour.
  const SDL_Color* palette = glyphs->format->palette->colors;
  int bytes = surface.bpp / 8;
  SDL_LockSurface(glyphs);
  for (int row = 0; row < glyphs->h; ++row) {
    int dy = y + row;
    if (dy < 0 || dy >= surface.height) continue;
    const uint8_t* src = static_cast<const uint8_t*>(glyphs->pixels) + row * glyphs->pitch;
    uint8_t* dst = surface.pixels + dy * surface.pitch;
    for (int col = 0; col < glyphs->w; ++col) {
      int dx = x + col;
      if (dx < 0 || dx >= surface.width) continue;
      const SDL_Color& c = palette[src[col]];
      uint8_t* p = dst + dx * bytes;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      if (bytes == 4) p[3] = 0;
    }
  }
  SDL_UnlockSurface(glyphs);
  SDL_FreeSurface(glyphs);
  return true;
}

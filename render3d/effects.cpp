#include "render3d/effects.h"

#include <cstring>

#include "render3d/arith.h"
#include "render3d/fillers.h"
#include "render3d/pipeline.h"
#include "render3d/pixel_ops.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"

alignas(64) uint32_t saved_frame[320 * 200];
int32_t crossfade_level = 0;
float dissolve_start_time = 0;
uint8_t dissolve_done = 0;
uint8_t dissolve_begun = 0;

Vec3i shared_mesh_vertices[shared_mesh_capacity];
Vec3i shared_mesh_texcoords[shared_mesh_capacity];
Face shared_mesh_faces[shared_mesh_capacity];
FaceAttr shared_mesh_attributes[128];
FaceTexture shared_mesh_textures[128];
int32_t shared_mesh_face_count = 0;
int32_t shared_mesh_vertex_count = 0;

static_assert(sizeof(Vec3i) == 12 && sizeof(Face) == 12, "meshes are copied as plain integers");

void build_shared_sphere_mesh() {
  sphere_levels = 2;
  build_sphere(7000);
  // The whole 384-entry span is copied; only the first 66 vertices and 128 faces are used.
  // Texture coordinates are the vertex coordinates over 80 (so u = x / 80, v = y / 80).
  int32_t words[3 * shared_mesh_capacity];
  std::memcpy(words, sphere_vertices, sizeof words);
  std::memcpy(shared_mesh_vertices, words, sizeof words);
  for (int32_t& w : words) w /= 80;
  std::memcpy(shared_mesh_texcoords, words, sizeof words);
  std::memcpy(shared_mesh_faces, sphere_faces, sizeof shared_mesh_faces);
  for (FaceAttr& a : shared_mesh_attributes) a = {128, 128};
  shared_mesh_face_count = 128;
  shared_mesh_vertex_count = sphere_vertex_count;
}

void draw_shared_mesh(const uint32_t* texture) {
  transform_vertices(shared_mesh_vertices, projected, shared_mesh_vertex_count, 1, 7, 0, 0, 0);
  render_mesh(shared_mesh_faces, projected, shared_mesh_face_count, shared_mesh_texcoords, texture, nullptr,
              nullptr, shared_mesh_attributes, shared_mesh_textures, nullptr);
}

void crossfade_saved_frame() {
  crossfade_level = crossfade_level < 0 ? 0 : crossfade_level > 255 ? 255 : crossfade_level;
  const uint32_t k = uint32_t(crossfade_level);
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i kv = _mm_set1_epi16(int16_t(k)), k_inv = _mm_set1_epi16(int16_t(256 - k));
  for (; i + 4 <= screen_pixels; i += 4) {
    const __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(saved_frame + i));
    const __m128i f = _mm_load_si128(reinterpret_cast<const __m128i*>(FrameBuffer + i));
    const __m128i lo =
        pixel_sse2::blend_lanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(f, zero), kv, k_inv);
    const __m128i hi =
        pixel_sse2::blend_lanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(f, zero), kv, k_inv);
    _mm_store_si128(reinterpret_cast<__m128i*>(FrameBuffer + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < screen_pixels; ++i) FrameBuffer[i] = pixel_portable::blend(saved_frame[i], FrameBuffer[i], k);
}

void blur_frame(int32_t passes, uint32_t* buffer) {
  // Two pixels per 64-bit word; quarters drop each byte's low two bits so nothing carries.
  // Left and upper neighbours already hold this pass's values: the pass runs in place.
  constexpr uint64_t quarter_mask = 0x3F3F3F3F3F3F3F3Full;
  auto quarter = [](const uint32_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return (v >> 2) & quarter_mask;
  };
  for (int32_t pass = 0; pass < passes; ++pass) {
    for (int y = 1; y < screen_height - 1; ++y) {
      uint32_t* row = buffer + y * screen_width;
      uint64_t left = quarter(row);
      for (int x = 2; x <= 316; x += 2) {
        const uint64_t v =
            left + quarter(row + x + 2) + quarter(row + x + screen_width) + quarter(row + x - screen_width);
        std::memcpy(row + x, &v, 8);
        left = (v >> 2) & quarter_mask;
      }
    }
  }
}

void make_glow_texture(int16_t size, uint32_t* texture, uint32_t subtract) {
  clear_buffers(0);
  draw_sprite(100, 100, 0, size, subtract, glow_texture);
  draw_sprite(100, 100, 0, size, subtract, glow_texture);
  draw_sprite(100, 100, 0, size, 0, glow_texture);
  // Row y lands on texel row y + 28 from column 24, running on into the next texel row.
  for (int y = 0; y < screen_height; ++y)
    std::memcpy(texture + 7192 + 256 * y, FrameBuffer + y * screen_width, 256 * sizeof(uint32_t));
}

void dissolve_start() {
  dissolve_start_time = scene_time;
  dissolve_done = 0;
}

void dissolve_frame(float speed, const uint32_t* image, const uint32_t* mask) {
  if (present_skip) return;
  const double e = (double(scene_time) - dissolve_start_time) * speed;
  effect_time = float(e);
  if (e > 255) dissolve_done = 1;
  const uint32_t threshold = dissolve_done ? 0 : uint32_t(trunc_i32(255 - e)) & 0xFF;
  int i = 0;
#if defined(__SSE2__)
  // Compare the mask's low byte against the threshold in signed 32-bit lanes (both 0..255).
  const __m128i low_byte = _mm_set1_epi32(0xFF), below = _mm_set1_epi32(int32_t(threshold) - 1);
  for (; i + 4 <= screen_pixels; i += 4) {
    const __m128i m = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i)), low_byte);
    const __m128i take = _mm_cmpgt_epi32(m, below);
    const __m128i img = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + i));
    const __m128i fb = _mm_load_si128(reinterpret_cast<const __m128i*>(FrameBuffer + i));
    _mm_store_si128(reinterpret_cast<__m128i*>(FrameBuffer + i),
                    _mm_or_si128(_mm_and_si128(take, img), _mm_andnot_si128(take, fb)));
  }
#endif
  for (; i < screen_pixels; ++i)
    if ((mask[i] & 0xFF) >= threshold) FrameBuffer[i] = image[i];
}

// Meshes: parallel static arrays of vertices, faces, face attributes, face textures and
// texture coordinates, plus the shared builders and smooth vertex normals.
#pragma once
#include <cstdint>

// One vertex, vertex normal, projected vertex or texture coordinate (u, v, unused).
// The shared stride lets one vertex index address all of them.
struct Vec3i {
  int32_t x, y, z;
};

// Three absolute vertex indices; the winding decides visibility (see render_mesh).
struct Face {
  int32_t i0, i1, i2;
};

// mode_flags: bits 0-3 the face mode, bit 7 double-sided. param: the mode's parameter
// (filler sub-mode, or the sprite's subtracted colour).
struct FaceAttr {
  uint32_t mode_flags;
  uint32_t param;
};

constexpr uint32_t face_mode_mask = 15;
constexpr uint32_t face_double_sided = 128;

// One word per face: a texture address (modes 0, 1, 2), a flat colour (mode 5) or a
// sprite's base size in pixels (mode 3). Wide enough for a pointer.
using FaceTexture = uintptr_t;
inline FaceTexture texture_word(const uint32_t* texture) { return reinterpret_cast<FaceTexture>(texture); }
inline const uint32_t* word_texture(FaceTexture word) { return reinterpret_cast<const uint32_t*>(word); }

constexpr int vertex_normal_capacity = 15000;
constexpr int vertex_shade_capacity = 8000;  // vertices

// Smooth vertex normals of the mesh being drawn, length 160; shared by every scene.
extern Vec3i vertex_normals[vertex_normal_capacity];
// Per vertex three bytes at index * 3: byte 0 the shade for modes 0 and 5; bytes 0, 1, 2
// the red, green and blue factors for mode 2. Written by scenes, read by render_mesh.
extern uint8_t vertex_shade[vertex_shade_capacity * 3];
// Output index of build_cube_points; left at the number of points written.
extern int32_t point_count;

// Sphere builder output. sphere_levels is the subdivision depth (2: 128 faces over 66
// vertices, 3: 512 over 258); depths above sphere_max_levels are built at that depth.
constexpr int sphere_max_levels = 4;
constexpr int sphere_max_faces = 8 << (2 * sphere_max_levels);
constexpr int sphere_max_corners = 3 * sphere_max_faces;
extern int32_t sphere_levels;
extern int32_t sphere_face_count;
extern int32_t sphere_corner_count;
extern int32_t sphere_vertex_count;
extern Vec3i sphere_vertices[sphere_max_corners];
extern Face sphere_faces[sphere_max_faces];

// Appends two faces per grid cell of layers stacked rows x columns grids of vertices
// starting at first_vertex; returns the next free face index.
int32_t build_grid_faces(int32_t rows, int32_t columns, int32_t layers, uint32_t mode_flags, uint32_t param,
                         FaceTexture texture, int32_t first_vertex, int32_t first_face, Face* faces,
                         FaceAttr* attributes, FaceTexture* textures);
inline int32_t build_grid_faces(int32_t rows, int32_t columns, int32_t layers, uint32_t mode_flags,
                                uint32_t param, const uint32_t* texture, int32_t first_vertex,
                                int32_t first_face, Face* faces, FaceAttr* attributes,
                                FaceTexture* textures) {
  return build_grid_faces(rows, columns, layers, mode_flags, param, texture_word(texture), first_vertex,
                          first_face, faces, attributes, textures);
}

// Six faces of 7 x 7 points (+-900), 294 vertices with texture coordinates 0..256.
void build_cube_points(Vec3i* vertices, Vec3i* texcoords);

void clear_vertex_normals(int32_t count);
// Folds the normals of faces first_face .. first_face + count - 1 into vertex_normals as a
// running average renormalised to 160 after every face.
void accumulate_vertex_normals(const Face* faces, int32_t count, const Vec3i* vertices, int32_t first_face);

// Subdivided octahedron of the given radius at depth sphere_levels, welded.
void build_sphere(int32_t radius);

Vec3i vec_sub(Vec3i a, Vec3i b);  // b - a
Vec3i vec_cross(Vec3i a, Vec3i b);
// ((acc + n) / 2) scaled to length 160; (0, 0, 0) when that average has length 0.
Vec3i vec_average_normalize(Vec3i acc, Vec3i n);

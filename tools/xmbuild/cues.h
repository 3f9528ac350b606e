// Song positions (order * 256 + row) that the timeline and the scenes wait for or react to, per
// module. The scores are shaped so that every one of them is met; tests/music checks it and
// talvex-lab xm measures the music at the accents.
#pragma once
#include <cstdint>

struct SceneSpan {
  const char* name;
  uint32_t start;     // the timeline waits until the position is at least this
  uint32_t last;      // the scene runs while the position is at most this
  bool ends_on_wrap;  // the last scene also leaves when the song wraps to its start
};

struct Accent {
  uint32_t position;  // the row on which the picture reacts
  const char* what;
};

// Rows that must be played exactly (a wait target, a cue compared for equality or a boundary
// the scene's behaviour is described at).
constexpr uint32_t module1_exact[] = {0,    567,  568,  575,  768,  896,  1120, 1376, 1859, 2048,
                                      2112, 2144, 2175, 2304, 2816, 2911, 2912, 2943, 3072, 3407,
                                      3408, 3439, 3440, 3840, 3841, 3903, 3904, 4096, 4097, 4153};
constexpr uint32_t module2_exact[] = {0,    63,   64,   127,  857,  858,  895,  1024, 1119, 1120, 1151, 1367,
                                      1368, 1888, 1896, 1908, 1912, 1917, 2649, 2650, 2687, 2816, 2911, 2912,
                                      2917, 2918, 2923, 2924, 2927, 2928, 2933, 2934, 2937, 2938, 3072, 3423,
                                      3424, 3455, 3935, 3936, 3967, 4096, 4447, 4448, 4471, 4472, 4960, 4964,
                                      4968, 4970, 4974, 4978, 4982, 4986, 4988, 4989, 4990, 4991, 5120, 5472,
                                      5523, 5524, 5983, 5984, 6007, 6008, 6023, 6024, 6144, 6269};

constexpr SceneSpan module1_scenes[] = {
    {"particle zoom", 0, 567, false}, {"card flight", 568, 575, false}, {"credits tunnel", 768, 2175, false},
    {"tentacles", 2304, 2911, false}, {"chain", 2912, 3439, false},     {"tree", 3440, 4153, true},
};
constexpr SceneSpan module2_scenes[] = {
    {"towers", 0, 895, false},    {"fan tunnel", 1024, 1917, false},  {"gears", 1917, 2687, false},
    {"balls", 2816, 3423, false}, {"pillar hall", 3424, 3967, false}, {"tube", 4096, 4471, false},
    {"polar", 4472, 4991, false}, {"final", 5120, 6269, true},
};

// The grooves: spans of song positions [first, last] where the beat and the bass play together;
// the bass share is measured over these.
struct Groove {
  uint32_t first, last;
};
constexpr Groove module1_grooves[] = {{3 << 8, 5 << 8 | 127},
                                      {7 << 8, 8 << 8 | 95},
                                      {9 << 8, 10 << 8 | 127},
                                      {12 << 8, 13 << 8 | 79},
                                      {15 << 8, 15 << 8 | 127}};
constexpr Groove module2_grooves[] = {{4 << 8, 7 << 8 | 95},   {8 << 8, 10 << 8 | 95},
                                      {12 << 8, 13 << 8 | 95}, {15 << 8, 17 << 8 | 119},
                                      {18 << 8, 19 << 8 | 95}, {20 << 8, 23 << 8 | 159}};

constexpr Accent module1_accents[] = {
    {0, "opening"},           {568, "card flight"},     {768, "tunnel"},          {896, "credits line 1"},
    {1120, "credits line 2"}, {1376, "credits line 3"}, {2048, "credits line 5"}, {2304, "tentacles"},
    {2912, "chain"},          {3440, "tree"},           {3840, "tree in full"},   {4096, "last chord"},
};
constexpr Accent module2_accents[] = {
    {0, "towers"},          {1024, "fan tunnel"},   {1120, "fan step"},     {1121, "fan step"},
    {1122, "fan step"},     {1124, "fan step"},     {1125, "fan step"},     {1126, "fan step"},
    {1128, "fan step"},     {1132, "fan step"},     {1136, "fan step"},     {1140, "fan step"},
    {1144, "fan step"},     {1148, "fan step"},     {1888, "orange flash"}, {1896, "orange flash"},
    {1908, "orange flash"}, {1912, "orange flash"}, {2048, "gears"},        {2816, "balls"},
    {2912, "camera cut"},   {2918, "camera cut"},   {2924, "camera cut"},   {2928, "camera cut"},
    {2934, "camera cut"},   {2938, "camera cut"},   {3424, "pillar hall"},  {4096, "tube"},
    {4472, "polar"},        {4960, "flash"},        {4964, "flash"},        {4968, "flash"},
    {4970, "flash"},        {4974, "flash"},        {4978, "flash"},        {4982, "flash"},
    {4986, "flash"},        {4988, "flash"},        {4989, "flash"},        {4990, "flash"},
    {4991, "flash"},        {5120, "final"},        {6144, "last chord"},
};

// The two music modules: complete XM images whose sample areas are zero until the patcher fills
// them at start-up, the synthesis patch of every sample, and where each sample area lies.
#pragma once
#include <cstdint>

#include "synth/synth.h"

constexpr int module1_patch_count = 19;
constexpr int module2_patch_count = 16;

// Writable: patch_module_samples writes the samples into them in place.
extern uint8_t module_one[];
extern const uint32_t module_one_size;
extern uint8_t module_two[];
extern const uint32_t module_two_size;

// Patch i is synthesized into the 2n + 2 bytes at offset i of its module's table.
extern const SynthPatch module1_patches[module1_patch_count];
extern const SynthPatch module2_patches[module2_patch_count];
extern const uint32_t module1_sample_offsets[module1_patch_count];
extern const uint32_t module2_sample_offsets[module2_patch_count];

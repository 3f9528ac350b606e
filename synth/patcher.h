// Fills a module image's zeroed sample areas with synthesized, XM delta-encoded samples.
#pragma once
#include <cstdint>

#include "synth/synth.h"

// For each patch in order: synthesize, delta-encode in place, append the trailing word, copy the
// 2n+2 bytes to module_image + offsets[i], advance the loading display. source_buffer carries over.
void patch_module_samples(const uint32_t* offsets, uint8_t* module_image, const SynthPatch* patches,
                          int count);

// The falling count shown while the precalculation runs.
#pragma once

extern float loading_count;
extern char loading_text[6];

// One finished asset: draws the count and lowers it.
void show_loading_count();

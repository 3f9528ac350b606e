#include "shell/loading.h"

float loading_count = 100.0f;
char loading_text[6] = "<100>";

void show_loading_count() { loading_count = loading_count + -1.4492f; }

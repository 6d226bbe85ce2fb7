// The cache of texts shown in place: counters rewritten after every record
// (show_count of console.h, defined in counter_cache.cpp beside the cache),
// and other texts written at a goto_xy place, kept aside from the screen's
// cells until the cells are needed. Internal to the runtime.
//
// Invariant: putting the pieces that wait into the cells, in the order in
// which they were last written, leaves every cell as writing each text into
// its cells at once would have left it. So the window is the same whenever
// it is shown, and a counter rewritten a million times between two showings
// costs one write of its cells.
#pragma once

#include <cstddef>

#include "screen.h"

namespace survey_rt {

// The window the cache serves, and whether the console is UTF-8
// (console_text.h). Once, before anything else.
void cache_start(Screen& screen, bool utf8);
// At goto_xy(x, y): the texts written from here on may be kept aside, as one
// piece, while they stay plain characters inside the row.
void cache_open(int x, int y);
// Keeps n bytes written at the cursor aside, moving the cursor past them;
// false, keeping nothing, when they cannot be kept aside.
bool cache_text(const char* text, std::size_t n);
// Puts the pieces into the cells, before anything else reads or writes them.
void cache_put();
// Forgets the pieces (the window is cleared).
void cache_drop();

}  // namespace survey_rt

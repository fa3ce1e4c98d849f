#pragma once
// The program's two animation clips, drawn procedurally as paletted frames (index 0 is the
// background that the player replaces with its own colour). Both loop seamlessly.

#include "assets/gen/avi_writer.h"

namespace gen {

// The wait window's clip, 249 x 56: pages of data hopping from a document into a USB stick
// whose light blinks as each one arrives.
IndexedClip WaitClip();

// The About window's clip, 36 x 38: a gold coin with the product's initial, spinning.
IndexedClip AboutClip();

}  // namespace gen

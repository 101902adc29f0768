// The pages next to the current one, rendered ahead while the window is idle, so that turning
// to one of them only paints. Rendering stays on the engine's one thread: the window calls in
// short slices and handles its input in between. No toolkit code.
#pragma once

#include <cstddef>

#include "view/page_view.h"

// The next and the previous page at most, and never more pixels than this: two fitted A4
// pages at twice the screen density fit; a page zoomed far in is simply not prepared.
constexpr size_t kPreparedPagesBudget = size_t(64) << 20;

// One slice of the idle work, handing back once about `sliceMs` have passed (a render then
// goes on in the next slice); false when nothing is left to prepare.
bool PrepareNeighbourPages(double sliceMs);
// Moves the prepared pixels of page `index` into `pixels` when they were rendered at `size`
// from the document as it is now, on today's background (a render still under way is
// finished first); false, and `pixels` untouched, otherwise.
bool TakePreparedPage(int index, const RenderSize& size, PixelBuffer& pixels);
// Forgets the pages prepared for another zoom, edit or position, stopping their decoding
// without waiting for it: the page about to be rendered gets the processors.
void DropStalePreparedPages();
// Forgets every prepared page and ends any render under way (document closing, exit).
void DropPreparedPages();
// Whether page `index` is prepared for the document, zoom and layout as they are now.
bool IsPagePrepared(int index);
// Bytes of pixels held by prepared pages and renders under way.
size_t PreparedPagesBytes();
// Whether the work left waits on something else (a scan page decoded on a worker thread, the
// sharp render after a zoom): the next slice need not come at once.
bool PreparationWaiting();

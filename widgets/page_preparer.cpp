#include "widgets/page_preparer.h"

#include "view/prepared_pages.h"

PagePreparer::PagePreparer(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &PagePreparer::Slice);
}

void PagePreparer::PagePainted() { timer_.start(kIdleMs); }

void PagePreparer::Slice() {
  if (PrepareNeighbourPages(kSliceMs)) timer_.start(PreparationWaiting() ? kWaitMs : 0);
}

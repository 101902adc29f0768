// "从扫描仪新建": scanning pages one after another into a new, unsaved document.
#pragma once

#include "engine/engine_handles.h"
#include "external/scan_pages.h"

// What a scan run produced: the new document (or none) and its page count.
struct ScanRun {
  ScopedDocument document;
  int pages = 0;
};

// The acquisition loop: a dialog per page, the page read off the window's thread, the question
// whether to go on. Shows the failure message itself; returns the document whenever at least
// one page was scanned, also after a failure.
ScanRun RunScanSession(const ScanOps& ops);

// The command: the new document replaces the current one, unsaved.
void ScanToNewDocument();

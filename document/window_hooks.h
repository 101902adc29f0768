// What the layers below the window tell it: mostly what changed (`changed`), and the few
// resets a new or restored document needs. Every hook defaults to doing nothing, so the core
// runs headless in tests and tools; the main window installs real ones.
#pragma once

#include <string>

enum class ToolAfterInstall { Hand, Select };

// What changed, said once by whoever changed it; the window decides what to render again,
// repaint and refresh for it.
enum class Change {
  PageShown,    // the current page looks different (a drag in progress); its thumbnail follows later
  PageContent,  // the current page's objects changed: its picture and its thumbnail
  Selection,    // what is selected changed: the side panels and the page's overlay follow
  Pages,        // which page is current or how many there are: page controls and navigator follow
  Status,       // the status line or what is drawn over the page changed
};

struct WindowHooks {
  void (*setTitle)(const std::u16string& title) = [](const std::u16string&) {};
  // A new document became current: fit width at zoom 1, the given tool, no selection or
  // tool progress left over.
  void (*documentInstalled)(ToolAfterInstall tool) = [](ToolAfterInstall) {};
  void (*leaveOcrSelection)() = [] {};
  // Drawn-object, text and image selections.
  void (*clearSelections)() = [] {};
  void (*clearDrawnSelection)() = [] {};
  // Selections and the transient state of the current tool (after undo, redo, reload).
  void (*clearToolState)() = [] {};
  void (*destroyRenderCache)() = [] {};
  // The document is about to close: nothing may still hold its pages.
  void (*documentClosing)() = [] {};
  void (*changed)(Change what) = [](Change) {};
  void (*rebuildNavigator)(int pageCount) = [](int) {};
  // Repaints only part of the client area (left, top, right, bottom; right and bottom excluded).
  void (*repaintArea)(int left, int top, int right, int bottom) = [](int, int, int, int) {};
  // The current page changed: pending line-tool points are dropped, image selection renewed.
  void (*pageSwitched)() = [] {};
  void (*resetPageDrag)() = [] {};
  void (*focusPageNumberBox)() = [] {};
  // The tool mode or its overlay changed: toolbar, cursor, gestures and panels follow.
  void (*toolModeChanged)() = [] {};
};

extern WindowHooks g_window;

// Counts the engine handles that are open at a moment, by putting counting entries in front of
// the real ones in g_engine for as long as a LiveHandles exists. Tests use it to show that a
// piece of work closes everything it opened, also when it gives up half-way, and never closes
// a handle twice (a count below zero).
#pragma once

#include <ostream>

struct HandleCounts {
  int documents = 0;
  int pages = 0;
  int textPages = 0;
  int searches = 0;
  int bitmaps = 0;
  int fonts = 0;
  int annotations = 0;
  // Page objects created (or taken off a page) and neither put on a page nor destroyed.
  int looseObjects = 0;

  bool operator==(const HandleCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HandleCounts& counts);

class LiveHandles {
 public:
  LiveHandles();
  ~LiveHandles();
  LiveHandles(const LiveHandles&) = delete;
  LiveHandles& operator=(const LiveHandles&) = delete;

  // Opened and not closed since this object was made.
  HandleCounts Open() const;
  // Calls that closed or destroyed a handle since this object was made, whatever the kind.
  int Closes() const;
};

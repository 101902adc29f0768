// An update section appended to a PDF's bytes: objects, then a cross-reference section of the
// kind the file already uses (table or stream) pointing back at the file's own.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "document/pdf_syntax.h"

struct UpdateObject {
  uint32_t generation = 0;
  PdfValue value;
};

struct UpdateTarget {
  uint64_t fileSize = 0;        // where the update begins
  uint64_t previousSection = 0; // the file's newest cross-reference section
  bool asStream = false;        // the file's newest section is a stream
  uint32_t size = 0;            // the file's /Size
  char lastByte = '\n';         // the file's last byte: a line break is put in when it is none
};

// The update's bytes. `trailer` holds the entries to carry (Root, Info, ID); Size and Prev
// are set here.
std::string WriteUpdate(const std::map<uint32_t, UpdateObject>& objects, const UpdateTarget& target, PdfValue trailer);

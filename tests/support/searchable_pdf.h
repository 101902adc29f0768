// Hand-written PDFs with a text layer to search: font F1 is the standard Helvetica, F2 the
// standard Chinese font STSong-Light with a Unicode encoding (not embedded; the engine maps
// it to a system font and reads its text through the predefined CMap).
#pragma once

#include <string>
#include <vector>

struct SearchablePage {
  std::string content;             // the content stream
  std::string entries = "/MediaBox [0 0 595 842]";  // boxes, /Rotate
};

// `catalogEntries` go into the catalog (for example "/PageLabels << … >>"). Page i is object
// 7 + 2i; `extraObjects` follow the pages, numbered on from there.
void WriteSearchablePdf(const std::string& path, const std::vector<SearchablePage>& pages,
                        const std::string& catalogEntries = "", const std::vector<std::string>& extraObjects = {});
// "BT /F2 <size> Tf <x> <y> Td <hex> Tj ET" for Chinese (and ASCII) text, given in UTF-8.
std::string ChineseTextAt(float x, float y, float size, const std::string& utf8);

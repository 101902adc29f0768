// Hand-written PDFs with text the way other programs write it: text in every render mode,
// text scaled by its matrix, text and images inside forms nested to a chosen depth. Font F1
// is the standard Helvetica, so nothing has to be embedded.
#pragma once

#include <string>
#include <vector>

// One page: `pageEntries` go into the page dictionary (boxes, /Rotate), `content` is its
// content stream, `extraResources` is added to its resources (for example an /ExtGState).
void WriteTextPdf(const std::string& path, const std::string& pageEntries, const std::string& content,
                  const std::string& extraResources = "");
// A page whose content draws form 1 (`pageContent`, by default nothing else); form k draws
// form k + 1 (shifted 5 points right and up) and the deepest form draws `innerContent`.
void WriteNestedFormPdf(const std::string& path, int depth, const std::string& innerContent,
                        const std::string& pageContent = "q /Fx1 Do Q");
// "BT /F1 <size> Tf <x> <y> Td (<text>) Tj ET" with PDF string escapes.
std::string TextAt(float x, float y, float size, const std::string& text);
// The text `pdftotext` reads from page 1 of a file.
std::string ExtractedText(const std::string& path);

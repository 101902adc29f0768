// Which drawn object a page object is, which labels belong to a shape, and removing objects.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drawing/marks.h"

bool IsCoordinateSystem(FPDF_PAGEOBJECT object, const PdfOps& ops);
// The mark name when the object is a path carrying a mark of the kind.
std::optional<std::string> MarkedShapeName(FPDF_PAGEOBJECT object, const PdfOps& ops, MarkKind kind);
// Text objects (other than the shape) carrying exactly the shape's mark name, in page order.
std::vector<FPDF_PAGEOBJECT> LabelsOfShape(FPDF_PAGE page, FPDF_PAGEOBJECT shape, const PdfOps& ops, MarkKind kind,
                                           const std::string& markName);
// Removes and destroys each; false when any could not be removed (the walk goes on). The
// caller regenerates the page content.
bool RemoveObjects(FPDF_PAGE page, const std::vector<FPDF_PAGEOBJECT>& objects, const PdfOps& ops);
// Inserts at the top and checks that the page took it (the insert call reports nothing).
// The page owns the object afterwards even when this fails: never destroy it then. False
// without touching the object when the entries are missing (the caller still owns it).
bool InsertChecked(FPDF_PAGE page, FPDF_PAGEOBJECT object, const PdfOps& ops);

// The current page's text and image objects as one list, including those nested inside
// forms, for the content dialog: the scan, the labels, which actions an entry allows and
// deleting an entry. Handles stay valid only while the page is unchanged.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_table.h"

enum class ListedKind { Text, Image };

struct ListedObject {
  FPDF_PAGEOBJECT object = nullptr;
  std::vector<FPDF_PAGEOBJECT> forms;  // the forms it sits in, the page-level one first; empty on the page
  ListedKind kind = ListedKind::Text;
  std::u16string label;
};

struct PageObjectScan {
  bool ok = false;
  std::vector<ListedObject> entries;  // page order; a form's children at the form's place
  std::u16string message;             // why the scan failed
};

// A page-level form is level 1; a form at this level stops the scan.
constexpr int kFormNestingLimit = 33;
constexpr size_t kLabelFullLength = 64;  // characters shown in full; longer ones are cut

PageObjectScan ScanPageObjects(FPDF_PAGE page, const PdfEngine& ops);

// "[文本] …" from the content (nothing = unreadable): line ends become spaces, white space
// is trimmed, more than 64 characters become 61 and "...".
std::u16string TextEntryLabel(const std::optional<std::u16string>& content);
// "[图片] %u × %u", or "[图片]" when the pixel size cannot be read.
std::u16string ImageEntryLabel(FPDF_PAGEOBJECT image, const PdfEngine& ops);

struct ListedActions {
  bool editText = false;
  bool replaceImage = false;
  bool remove = false;
};
ListedActions ActionsFor(const ListedObject* entry, const PdfEngine& ops);

// Takes the object off the page, or out of its forms, and destroys it. An object inside a
// form is removed for good only when the forms around it are opened up onto the page (the
// engine never writes a changed form back): the forms' other objects keep their place and
// look. False with a message when the engine refuses; `pageTouched` tells whether the page
// changed anyway.
bool DeleteListedObject(FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops, bool& pageTouched);
struct TextEditOutcome;
// Edits a listed text; one inside forms is then lifted out of them so that the new content
// is written with the page (the engine never writes a changed form back).
TextEditOutcome EditListedText(FPDF_DOCUMENT document, FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops);
// After an edit of a listed object inside forms: the forms are opened onto the page, so that
// the edit is written with it; when the engine refuses, the warning is shown.
void KeepEditOfListedObject(FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops, const char16_t* caption,
                            const char16_t* warning);
// Opens up the forms around an object onto the page, so that an edit of it is written with
// the page. False when the engine refused part-way (`pageTouched` says whether anything moved).
bool LiftOutOfForms(FPDF_PAGE page, const std::vector<FPDF_PAGEOBJECT>& forms, const PdfEngine& ops, bool& pageTouched);

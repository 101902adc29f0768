// Saving the document as a new PDF file (never over the file it came from), and the
// unsaved-changes question.
#pragma once

#include <string>

bool SavePdfCopy(const std::u16string& nameSuffix, const std::u16string& successText);
// True when the caller may discard the current document.
bool ConfirmDiscardChanges();

// "a.pdf" → "a" + suffix; an empty path gives `unnamed`.
std::u16string DefaultSaveName(const std::u16string& suffix, const std::u16string& unnamed);
// The chosen path is the same file as the session's path, its source path, or the file the
// engine reads the open document from (compared by identity, not by spelling).
bool IsSessionPath(const std::u16string& chosen);
// The copy replaced the target but its folder could not be flushed: the user hears that it
// may not survive a power loss; the document stays unsaved (its recovery state is kept).
void ReportUnflushedCopy(const std::u16string& caption, const std::u16string& target, int error);
// Finishes a successful save: the session path moves to the target, nothing unsaved.
void AdoptSavedPath(const std::u16string& target, const std::u16string& statusText);

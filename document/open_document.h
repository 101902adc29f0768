// Opening documents of every supported kind, new blank documents, and installing documents
// built elsewhere (scanning).
#pragma once

#include <string>

#include "engine/engine_handles.h"

// The user's text for the engine error after a failed load by path.
std::u16string LoadErrorMessage(unsigned long engineError);

bool OpenDocument(const std::u16string& path);
bool ShowOpenDialog();
bool NewBlankDocument();
// Makes a document built elsewhere the session's; on a refusal both handles are closed.
bool InstallDocument(ScopedDocument document, ScopedPage firstPage, int pageCount, bool modified,
                     bool askToSave);

constexpr float kA4Width = 595;
constexpr float kA4Height = 842;

// The name an embedded subset goes by. Readers (and the engine's own resource lookup) tell
// fonts apart by their base font name, so every subset gets "ABCDEF+PostScriptName" with a
// tag of its own, as subsets are to be named anyway.
#pragma once

#include <optional>
#include <string>

// Six random capital letters, never the same twice in this run; empty when no random source
// could be read.
std::string MakeSubsetTag();

// The PostScript name of face 0 of a font file or collection; nothing when it has none.
std::optional<std::string> PostScriptName(const std::string& fontFile);

// The name without a leading "ABCDEF+" subset tag.
std::string WithoutSubsetTag(const std::string& baseFontName);

// A single TrueType face with its PostScript name replaced; nothing when the bytes are not a
// face this can rewrite.
std::optional<std::string> WithPostScriptName(const std::string& face, const std::string& name);

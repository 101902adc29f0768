// Cutting a font down to the characters a document needs before it is embedded: every load
// into a document embeds the bytes it is given, so only a subset of one face goes in.
#pragma once

#include <optional>
#include <string>

// A single TrueType face (never a collection) holding the glyphs of `characters` from face 0
// of `fontFile` (a .ttf or the first face of a .ttc), as PDFium takes the first face. Nothing
// when the bytes are not a font the subsetter can read.
std::optional<std::string> SubsetFirstFace(const std::string& fontFile, const std::u16string& characters);

// The characters labels can ever use (printable ASCII), so one subset serves every label a
// document will get.
const std::u16string& LabelCharacters();

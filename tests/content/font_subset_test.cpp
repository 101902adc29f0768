#include <gtest/gtest.h>

#include <hb.h>

#include "content/font_subset.h"
#include "support/pdf_fixtures.h"

namespace {

std::string FontFile(const char* name) { return ReadBytes(std::string(CORVAN_FONTS_DIR) + "/" + name); }

// Glyphs in a font and whether it maps a character, read back by HarfBuzz.
struct FontFacts {
  unsigned glyphs = 0;
  bool mapsCharacter = false;
};

FontFacts Read(const std::string& bytes, char32_t character) {
  hb_blob_t* blob = hb_blob_create(bytes.data(), unsigned(bytes.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  FontFacts facts;
  facts.glyphs = hb_face_get_glyph_count(face);
  hb_codepoint_t glyph = 0;
  facts.mapsCharacter = hb_font_get_nominal_glyph(font, character, &glyph) && glyph != 0;
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
  return facts;
}

TEST(FontSubsetTest, ACollectionBecomesOneSmallTrueTypeFaceWithTheWantedGlyphs) {
  std::string collection = FontFile("msyh.ttc");
  ASSERT_EQ(collection.substr(0, 4), "ttcf");
  auto labels = SubsetFirstFace(collection, LabelCharacters());
  ASSERT_TRUE(labels.has_value());
  EXPECT_EQ(labels->substr(0, 4), std::string("\0\1\0\0", 4));  // a TrueType face, not a collection
  EXPECT_LT(labels->size(), 40u * 1024);
  FontFacts facts = Read(*labels, U'b');
  EXPECT_TRUE(facts.mapsCharacter);
  EXPECT_LE(facts.glyphs, 100u);  // printable ASCII and .notdef, far from the 20 000 of the face
  EXPECT_FALSE(Read(*labels, U'三').mapsCharacter);

  auto chinese = SubsetFirstFace(collection, u"直角三角形𠀀");  // and one character outside the BMP
  ASSERT_TRUE(chinese.has_value());
  EXPECT_TRUE(Read(*chinese, U'角').mapsCharacter);
  EXPECT_FALSE(Read(*chinese, U'a').mapsCharacter);
  EXPECT_LT(chinese->size(), 16u * 1024);
}

TEST(FontSubsetTest, BytesThatAreNoFontGiveNothing) {
  EXPECT_FALSE(SubsetFirstFace("", LabelCharacters()).has_value());
  EXPECT_FALSE(SubsetFirstFace(std::string(4096, 'x'), LabelCharacters()).has_value());
  std::string cut = FontFile("simsun.ttc").substr(0, 200);
  EXPECT_FALSE(SubsetFirstFace(cut, LabelCharacters()).has_value());
}

}  // namespace

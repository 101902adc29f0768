#include <gtest/gtest.h>

#include <hb.h>

#include <set>

#include "content/font_subset.h"
#include "content/subset_name.h"
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

// The whole-font checksum a correct checkSumAdjustment brings to 0xB1B0AFBA.
uint32_t FontChecksum(const std::string& bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < bytes.size() ? uint8_t(bytes[i + k]) : 0);
    sum += word;
  }
  return sum;
}

TEST(FontSubsetTest, EverySubsetGetsItsOwnTagBeforeThePostScriptName) {
  std::set<std::string> tags;
  for (int i = 0; i < 2000; ++i) {
    std::string tag = MakeSubsetTag();
    ASSERT_EQ(tag.size(), 6u);
    for (char c : tag) EXPECT_TRUE(c >= 'A' && c <= 'Z') << tag;
    tags.insert(tag);
  }
  EXPECT_EQ(tags.size(), 2000u);

  std::string collection = FontFile("msyh.ttc");
  auto original = PostScriptName(collection);
  ASSERT_TRUE(original.has_value());
  EXPECT_EQ(*original, "WenQuanYiMicroHei");
  auto subset = SubsetFirstFace(collection, u"三角形abc");
  ASSERT_TRUE(subset.has_value());
  auto renamed = WithPostScriptName(*subset, "QWERTY+" + *original);
  ASSERT_TRUE(renamed.has_value());
  EXPECT_EQ(PostScriptName(*renamed), "QWERTY+WenQuanYiMicroHei");
  EXPECT_EQ(FontChecksum(*renamed), 0xB1B0AFBAu);
  EXPECT_TRUE(Read(*renamed, U'角').mapsCharacter);  // the glyphs are untouched
  EXPECT_TRUE(Read(*renamed, U'b').mapsCharacter);
  EXPECT_EQ(Read(*renamed, U'角').glyphs, Read(*subset, U'角').glyphs);
  // Renaming again replaces the name rather than adding a second one.
  EXPECT_EQ(PostScriptName(*WithPostScriptName(*renamed, "ASDFGH+X")), "ASDFGH+X");

  EXPECT_EQ(WithoutSubsetTag("QWERTY+WenQuanYiMicroHei"), "WenQuanYiMicroHei");
  EXPECT_EQ(WithoutSubsetTag("WenQuanYiMicroHei"), "WenQuanYiMicroHei");
  EXPECT_EQ(WithoutSubsetTag("QWErTY+Name"), "QWErTY+Name");
  EXPECT_FALSE(WithPostScriptName("not a font at all", "ABCDEF+X").has_value());
  EXPECT_FALSE(WithPostScriptName(subset->substr(0, 40), "ABCDEF+X").has_value());
}

}  // namespace

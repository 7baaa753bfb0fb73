// Every Korean text the program can show has a glyph for each of its characters
// in the Korean font the program is installed with.

#include <gtest/gtest.h>

#include <QFont>
#include <QRawFont>
#include <QString>

#include <string>

#include "resources/DescriptionTexts.h"
#include "resources/Strings.h"

namespace {

// The code points of `text` the font cannot draw, listed as U+XXXX.
QString MissingGlyphs(const QRawFont& font, const std::string& text) {
  QString missing;
  for (const char32_t code : QString::fromStdString(text).toUcs4()) {
    if (code < 0x20) continue;  // line feeds and tabs are layout, not glyphs
    if (!font.supportsCharacter(code)) {
      missing += QStringLiteral("U+%1 ").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper();
    }
  }
  return missing;
}

TEST(KoreanGlyphs, EveryKoreanTextRendersInNanumGothic) {
  QFont nanum(QStringLiteral("NanumGothic"), 9);
  const QRawFont font = QRawFont::fromFont(nanum);
  ASSERT_TRUE(font.isValid());
  ASSERT_EQ(QStringLiteral("NanumGothic"), font.familyName()) << "fonts-nanum is not installed";

  for (const int id : res::AllIds()) {
    const std::string& text = res::LoadString(id, res::Language::Korean);
    EXPECT_TRUE(MissingGlyphs(font, text).isEmpty())
        << "string " << id << " \"" << text << "\": " << MissingGlyphs(font, text).toStdString();
  }
  for (const auto& [english, korean] : res::AllDescriptionTexts()) {
    EXPECT_TRUE(MissingGlyphs(font, korean).isEmpty())
        << english << " -> " << korean << ": " << MissingGlyphs(font, korean).toStdString();
  }
}

}  // namespace

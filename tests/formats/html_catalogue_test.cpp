// SPDX-License-Identifier: LicenseRef-Quillmark
#include "formats/html_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/engine/engine_fixtures.h"
#include "tests/formats/html_page_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

TEST(HtmlEscapes, NamesBecomeTextLinksAndFileNames) {
  EXPECT_EQ(htmlEscape("A & B \"<x>\""), "A &amp; B &quot;&lt;x&gt;&quot;");
  EXPECT_EQ(htmlEscape("caf\xe9 {~} \x80\xa0\xff\t"), "caf&eacute; &#123;&#126;&#125; &#128;&nbsp;&yuml;\t");
  EXPECT_EQ(urlEscape("A & B.jpg"), "A%20%26%20B%2ejpg");
  EXPECT_EQ(urlEscape("\xc3\xa9~Zz09"), "%c3%a9%7eZz09");
  EXPECT_EQ(htmlEscapeMarkup("\xe5\xa2\xa8 & {~}"), "\xe5\xa2\xa8 &amp; {~}");
  // Separators and control characters never reach a file name; Latin-1 bytes fold into
  // ASCII (174 gives N, 142 would give "." and 143 "/").
  EXPECT_EQ(safeName("a/b\\c:d\x01\x1f"), "a_b_c_d  ");
  EXPECT_EQ(safeName("\xae\x8e\x8f.x"), "N__.x");
  EXPECT_EQ(safeName("\xe5\xa2\xa8/caf\xc3\xa9"), "\xe5\xa2\xa8_caf\xc3\xa9");
}

TEST(HtmlEscapes, OnlyValidUtf8WithWideCharactersCountsAsUtf8) {
  EXPECT_TRUE(isUtf8Name("caf\xc3\xa9"));
  EXPECT_TRUE(isUtf8Name("\xf0\x9f\x96\x8b pen"));
  EXPECT_FALSE(isUtf8Name("plain ascii"));
  EXPECT_FALSE(isUtf8Name("caf\xe9"));            // Latin-1
  EXPECT_FALSE(isUtf8Name("\xc3"));               // cut short
  EXPECT_FALSE(isUtf8Name("\xc0\xaf"));           // overlong "/"
  EXPECT_FALSE(isUtf8Name("\xed\xa0\x80"));       // a surrogate
  EXPECT_FALSE(isUtf8Name("\xf4\x90\x80\x80"));   // past U+10FFFF
}

TEST(HtmlEscapes, DotPicturesKeepTheImagesProportions) {
  EXPECT_EQ(dotCatalogueName(25), "dot 25");
  EXPECT_EQ(fitInSquare(600, 400, 88).height, 59);
  EXPECT_EQ(fitInSquare(400, 600, 88).width, 59);
  EXPECT_EQ(fitInSquare(10000, 3, 88).height, 1);
  EXPECT_EQ(fitInSquare(5, 5, 88).width, 88);
}

struct CataloguePage : ::testing::Test {
  std::string page = tempPath("page.html");
  std::string error;
  CatalogueWriter writer;
  Buffer picture = makeBuffer(40, 30, kRgba8);
};

TEST_F(CataloguePage, NamesAppearEscapedInLinkAltAndCaption) {
  ASSERT_EQ(writer.begin(page, CatalogueKind::Presets, "My {looks}", error), 0) << error;
  EXPECT_EQ(writer.addPicture("A & B.q7q", *picture), 0);
  EXPECT_EQ(writer.addPicture("caf\xe9~.q7q", *picture), 0);
  ASSERT_EQ(writer.finish(error), 0) << error;
  const std::string text = readBytes(page);
  EXPECT_NE(text.find("<img src=\"web_images/A%20%26%20B.jpg\" alt=\"A &amp; B.jpg\" width=\"40\" height=\"30\""),
            std::string::npos);
  EXPECT_NE(text.find("width=\"46\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"37\">"), std::string::npos);
  EXPECT_NE(text.find("Arial\">A &amp; B</font>"), std::string::npos);
  EXPECT_NE(text.find("Arial\">caf&eacute;&#126;</font>"), std::string::npos);
  EXPECT_NE(text.find("<b>Quillmark presets from My &#123;looks&#125;<br>\r\n</b>"), std::string::npos);
  EXPECT_NE(text.find("charset=ISO-8859-1"), std::string::npos);
  EXPECT_EQ(countOf(text, "\n"), countOf(text, "\r\n"));
  EXPECT_TRUE(text.ends_with("<p>&nbsp;</p></td></tr></table><br>\r\n</body></html>"));
  expectValidHtml(page);
  const std::string shown = openInBrowser(page, 2);
  if (!shown.empty()) {
    EXPECT_NE(shown.find(">caf\xc3\xa9~</font>"), std::string::npos);
  }
}

TEST_F(CataloguePage, Utf8NamesStayReadableAndThePageSaysUtf8) {
  ASSERT_EQ(writer.begin(page, CatalogueKind::MemoryDots, "Tusche", error), 0) << error;
  EXPECT_EQ(writer.addPicture("\xe5\xa2\xa8 & ~.q7q", *picture), 0);
  ASSERT_EQ(writer.finish(error), 0) << error;
  const std::string text = readBytes(page);
  EXPECT_NE(text.find("charset=UTF-8"), std::string::npos);
  EXPECT_NE(text.find("src=\"web_images/%e5%a2%a8%20%26%20%7e.jpg\" alt=\"\xe5\xa2\xa8 &amp; ~.jpg\""), std::string::npos);
  EXPECT_NE(text.find("Arial\">\xe5\xa2\xa8 &amp; ~</font>"), std::string::npos);
  EXPECT_NE(text.find("Quillmark images from Tusche memory dots <br>"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_regular_file(tempPath("web_images/\xe5\xa2\xa8 & ~.jpg")));
  expectValidHtml(page);
  const std::string shown = openInBrowser(page, 1);
  if (!shown.empty()) {
    EXPECT_NE(shown.find(">\xe5\xa2\xa8 &amp; ~</font>"), std::string::npos);
  }
}

TEST_F(CataloguePage, RowsAreFilledWithEmptyCellsAndSpacedByBlankRows) {
  ASSERT_EQ(writer.begin(page, CatalogueKind::MemoryDots, "x", error), 0) << error;
  EXPECT_EQ(writer.columns(), 4);
  for (int dot = 1; dot <= 5; ++dot) EXPECT_EQ(writer.addPicture(dotCatalogueName(dot), *picture), 0);
  ASSERT_EQ(writer.finish(error), 0) << error;
  const PageCounts counts = countPage(readBytes(page));
  EXPECT_EQ(counts.pictures, 5);
  EXPECT_EQ(counts.fillers, 3);
  EXPECT_EQ(counts.rows, 2);
  EXPECT_EQ(counts.spacerCells, 8);
  EXPECT_TRUE(std::filesystem::is_regular_file(tempPath("web_images/dot 5.jpg")));
  expectValidHtml(page);
  openInBrowser(page, 5);
}

TEST_F(CataloguePage, AFailedPageLeavesNothingAndAnOlderPageAsItWas) {
  EXPECT_EQ(writer.begin(tempPath("missing/page.html"), CatalogueKind::Presets, "x", error), platform::kOpenRefused);
  EXPECT_NE(error.find("missing/page.html"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(tempPath("missing")));

  // The picture folder's name is taken by a file: the page cannot have its pictures.
  writeBytes(page, "older page");
  writeBytes(tempPath("web_images"), "not a folder");
  error.clear();
  EXPECT_EQ(writer.begin(page, CatalogueKind::Presets, "x", error), platform::kOpenRefused);
  EXPECT_NE(error.find("web_images"), std::string::npos);
  EXPECT_EQ(writer.finish(error), platform::kWriteFailed);
  EXPECT_EQ(readBytes(page), "older page");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(testDir()), {}), 2);
}

}  // namespace
}  // namespace qm::test

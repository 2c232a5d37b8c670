// SPDX-License-Identifier: LicenseRef-Quillmark
// A catalogue page as others see it: its cells counted, checked by two HTML checkers (tidy
// and html-validate) and opened in a real browser (headless Chromium), where every picture
// must load. A machine without tidy or the browser skips that part and says so.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/formats/psd_readers.h"
#include "tests/test_images.h"

namespace qm::test {

inline int countOf(std::string_view text, std::string_view piece) {
  int count = 0;
  for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + piece.size())) ++count;
  return count;
}

struct PageCounts {
  int pictures = 0;
  int fillers = 0;      // the empty cells that complete the last row
  int rows = 0;         // closed rows, each followed by its spacer row
  int spacerCells = 0;
};

inline PageCounts countPage(std::string_view page) {
  const std::string spacer = "<td align=\"center\" valign=\"top\" width=\"20%\"><p>&nbsp;</p></td>";
  return {countOf(page, "<img src="), countOf(page, "<p><font face=\"Hoefler Text,Times New Roman,Georgia,Times\"><b>"),
          countOf(page, "</tr>\r\n<tr>" + spacer), countOf(page, spacer)};
}

inline bool installed(const char* program) { return std::filesystem::exists(program); }

// No error from tidy (its warnings are about what HTML 4.01 Transitional allows, and are
// fine) nor from html-validate (see html_validate.js).
inline void expectValidHtml(const std::string& page) {
  if (installed("/usr/bin/tidy")) {
    const ChildResult tidy = runChild("/usr/bin/tidy", {"-e", "-q", page});
    EXPECT_TRUE(tidy.exitStatus == 0 || tidy.exitStatus == 1) << tidy.err;  // 2: errors
    EXPECT_EQ(tidy.err.find("Error:"), std::string::npos) << tidy.err;
  } else {
    std::printf("tidy is not installed: the page is not checked by it\n");
  }
  if (!nodeReadersReady()) return;
  const std::string script = (std::filesystem::path(__FILE__).parent_path() / "html_validate.js").string();
  EXPECT_EQ(readerOutput({"node", script, std::string(QUILLMARK_NODE_READERS) + "/node_modules", page}), "valid\n");
}

// A copy of the page beside it, with a script that counts the pictures the browser could
// not show into the title; the page's document as the browser ends up with it, or "" when
// there is no browser.
inline std::string openInBrowser(const std::string& page, int pictures) {
  if (!installed("/usr/bin/chromium")) {
    std::printf("chromium is not installed: the page is not opened\n");
    return "";
  }
  std::string copy = readBytes(page);
  const std::size_t end = copy.rfind("</body>");
  EXPECT_NE(end, std::string::npos);
  copy.insert(end,
              "<script>window.addEventListener('load', function () { var all = document.images, broken = 0;"
              " for (var i = 0; i < all.length; ++i) if (!all[i].complete || all[i].naturalWidth === 0) ++broken;"
              " document.title = 'pictures ' + all.length + ' broken ' + broken; });</script>");
  const std::string checked = std::filesystem::path(page).replace_filename("browser-check.html").string();
  writeBytes(checked, copy);
  const ChildResult browser =
      runChild("/usr/bin/chromium", {"--headless=new", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + tempPath("browser"),
                                     "--virtual-time-budget=3000", "--dump-dom", "file://" + std::filesystem::absolute(checked).string()});
  EXPECT_EQ(browser.exitStatus, 0) << browser.err;
  EXPECT_NE(browser.out.find("<title>pictures " + std::to_string(pictures) + " broken 0</title>"), std::string::npos)
      << browser.out.substr(0, 400);
  std::filesystem::remove(checked);
  return browser.out;
}

}  // namespace qm::test

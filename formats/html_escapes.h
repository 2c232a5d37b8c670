// SPDX-License-Identifier: LicenseRef-Quillmark
// Names on their way into a catalogue page: as page text, as a link, and as the file name
// of a picture. The page was made for names in the system's 8-bit code page (Latin-1);
// a name that is valid UTF-8 (what Linux file names usually are) is kept as it is instead
// of being turned into one entity per byte, so that it stays readable.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// True when the text is valid UTF-8 and holds at least one byte of 128 or more: a name
// that only reads right as UTF-8. Plain ASCII is not, and neither is Latin-1 text whose
// bytes do not happen to form UTF-8 sequences.
bool isUtf8Name(std::string_view text);

// Byte by byte, for Latin-1 text: the four markup characters as named entities, 123 to 159
// as "&#nnn;", 160 to 255 as the HTML 4 named entity of the Latin-1 character; the rest as
// it is. The result is plain ASCII, right under any declared character set.
std::string htmlEscape(std::string_view text);
// Only & < > and the double quote escaped: for UTF-8 text in a page declared UTF-8.
std::string htmlEscapeMarkup(std::string_view text);

// Letters and digits as they are, every other byte as "%xx" (lowercase hexadecimal): a
// UTF-8 name thus becomes the percent-encoded link a browser expects.
std::string urlEscape(std::string_view text);

// A name usable as a file name in any folder: control characters become spaces, the folder
// and drive separators \ / : become "_". A byte of 128 or more becomes (byte AND 127) + 32
// ("_" when that gives "." or a separator), except in a UTF-8 name (isUtf8Name), whose
// multi-byte characters are kept.
std::string safeName(std::string_view name);

}  // namespace qm

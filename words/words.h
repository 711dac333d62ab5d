// SPDX-License-Identifier: MIT
// The words and limits the window and the page share: the window compiles
// this table in and web/assemble.py writes it into the page, so the two say
// the same. Each entry is `inline constexpr` with a u"" text or a number.
#pragma once

namespace velmor::words {

// Files larger than this open in neither the window nor the page; the
// command-line tool takes any size.
inline constexpr long long kMaxOpenBytes = 64LL * 1024 * 1024;

inline constexpr char16_t kMachineName[] = u"The Velmor Machine";
inline constexpr char16_t kInfoTitle[] = u"Encrypt/Decrypt";
// The information box's three lines, joined by CR LF when shown.
inline constexpr char16_t kInfoLine1[] = u"The Velmor Machine - Copyright (c) 2026 The Velmor Machine authors. MIT License.";
inline constexpr char16_t kInfoLine2[] = u"**********************************************";
inline constexpr char16_t kInfoLine3[] =
    u" Set Encryption Wheels To 20 Give You 10 Character Change Then  Encrypt 12 Times = 120 Character Change Max "
    u"30=15X12=180";

// %1 is a count, written without separators.
inline constexpr char16_t kStatusText[] = u"Please Wait While Processing %1 Characters";
// %1 is the wheel count, two digits.
inline constexpr char16_t kWheelCountCaption[] = u"Encryption Wheels %1";

// %1 the file's name, %2 its size in bytes, %3 in MiB, %4 the limit in
// bytes, %5 in MiB, %6 "window" or "page".
inline constexpr char16_t kTooLargeToOpen[] =
    u"\"%1\" is too large to open here: it holds %2 bytes (%3 MiB), the %6 takes at most %4 bytes (%5 MiB).\n"
    u"Use the command-line tool velmor to encrypt or decrypt files of this size.";
// %1 the number of files dropped together.
inline constexpr char16_t kOneFileAtATime[] = u"Drop one file at a time: %1 files were dropped together, and none was opened.";
// %1 the character as describeCharacterAt gives it, %2 its line.
inline constexpr char16_t kCannotSave[] =
    u"The text cannot be saved: the character %1 on line %2 has no place in Windows-1252, the character set of "
    u"the file.\nReplace or remove it, then save again. Nothing was written.";

// Under a box that shows a long text in part: %1 the characters shown, %2
// all of them, both with thousands separators.
inline constexpr char16_t kShownInPart[] =
    u"Showing the first %1 of %2 characters. The whole text is kept: it is what the commands encrypt, decrypt, "
    u"save and copy.";

}  // namespace velmor::words

// SPDX-License-Identifier: MIT
// The characters at which a text document starts a new block, and how a text
// is cut at them. The exact-text box records which one ended each line.
#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace velmor::ui {

// U+2028 is not here: a document keeps it inside its line.
enum class LineBreak : std::uint8_t {
    CrLf,                // CR LF, the break a user types
    Lf,                  // a lone line feed
    Cr,                  // a lone carriage return
    ParagraphSeparator,  // U+2029
    FrameStart,          // U+FDD0, which a document also cuts at
    FrameEnd,            // U+FDD1, likewise
};

inline constexpr int kLineBreakKinds = 6;

constexpr QStringView lineBreakText(LineBreak kind) noexcept
{
    switch (kind) {
    case LineBreak::CrLf: return u"\r\n";
    case LineBreak::Lf: return u"\n";
    case LineBreak::Cr: return u"\r";
    case LineBreak::ParagraphSeparator: return u"\u2029";
    case LineBreak::FrameStart: return u"\uFDD0";
    case LineBreak::FrameEnd: return u"\uFDD1";
    }
    return u"\r\n";
}

struct FoundBreak {
    qsizetype position = 0;
    LineBreak kind = LineBreak::CrLf;

    constexpr qsizetype end() const noexcept { return position + lineBreakText(kind).size(); }
};

// The first break at or after `from`.
constexpr std::optional<FoundBreak> findLineBreak(QStringView text, qsizetype from) noexcept
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // Most characters lie between the two groups of break characters.
        if (c > u'\r' && c < u'\u2029') continue;
        switch (c) {
        case u'\n': return FoundBreak{i, LineBreak::Lf};
        case u'\r':
            return FoundBreak{i, i + 1 < text.size() && text[i + 1] == u'\n' ? LineBreak::CrLf : LineBreak::Cr};
        case u'\u2029': return FoundBreak{i, LineBreak::ParagraphSeparator};
        case u'\uFDD0': return FoundBreak{i, LineBreak::FrameStart};
        case u'\uFDD1': return FoundBreak{i, LineBreak::FrameEnd};
        default: break;
        }
    }
    return std::nullopt;
}

}  // namespace velmor::ui

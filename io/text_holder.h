// SPDX-License-Identifier: MIT
// What the file commands need from a box: its exact text, to read and replace.
#pragma once

#include "windows1252.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmor::io {

// A box that gives back exactly the characters put into it: CR LF, a lone CR,
// a lone LF, NUL and every other character stay as they are.
class TextHolder {
public:
    virtual ~TextHolder() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;

    // A text too long to show whole, as its Windows-1252 bytes: a box keeps
    // them as they are and shows a part of them.
    virtual void keepLongText(const QByteArray& bytes) { setText(fromWindows1252(bytes)); }
    // The whole text as those bytes, while the holder keeps it so.
    virtual std::optional<QByteArray> keptBytes() const { return std::nullopt; }

protected:
    TextHolder() = default;
    TextHolder(const TextHolder&) = default;
    TextHolder& operator=(const TextHolder&) = default;
};

}  // namespace velmor::io

// SPDX-License-Identifier: MIT
// What the file commands need from a box: its exact text, to read and replace.
#pragma once

#include <QString>

namespace velmor::io {

// A box that gives back exactly the characters put into it: CR LF, a lone CR,
// a lone LF, NUL and every other character stay as they are.
class TextHolder {
public:
    virtual ~TextHolder() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;

protected:
    TextHolder() = default;
    TextHolder(const TextHolder&) = default;
    TextHolder& operator=(const TextHolder&) = default;
};

}  // namespace velmor::io

// SPDX-License-Identifier: MIT
// Windows-1252 bytes to and from Qt strings.
#include "windows1252.h"

#include "codec/windows1252.h"

namespace velmor::io {

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) out[i] = codec::kWindows1252[in[i]];
    return text;
}

Encoded toWindows1252(QStringView text)
{
    Encoded result;
    result.bytes.resize(text.size());
    char* out = result.bytes.data();
    const char16_t* in = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = codec::windows1252Byte(in[i]);
        if (byte < 0) {
            result.bytes.truncate(i);
            result.unencodableAt = i;
            return result;
        }
        out[i] = static_cast<char>(byte);
    }
    return result;
}

}  // namespace velmor::io

// SPDX-License-Identifier: MIT
// Fuzzes the Windows-1252 codec: bytes to characters and back is the
// identity, and any text either encodes to bytes that decode to it or is
// stopped at the first character without a byte.
#include "io/windows1252.h"

#include "codec/windows1252.h"

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmor::io;
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QString text = fromWindows1252(bytes);
    check(text.size() == bytes.size());
    const Encoded back = toWindows1252(text);
    check(back.unencodableAt == -1 && back.bytes == bytes);

    // The same bytes read as UTF-16 code units: any text at all.
    QString anyText;
    for (std::size_t i = 0; i + 1 < size; i += 2) anyText.append(QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8)));
    const Encoded encoded = toWindows1252(anyText);
    if (encoded.unencodableAt < 0) {
        check(fromWindows1252(encoded.bytes) == anyText);
    } else {
        check(encoded.unencodableAt < anyText.size());
        check(velmor::codec::windows1252Byte(anyText[encoded.unencodableAt].unicode()) < 0);
        check(fromWindows1252(encoded.bytes) == anyText.left(encoded.unencodableAt));
    }
    return 0;
}

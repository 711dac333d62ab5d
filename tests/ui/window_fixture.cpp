// A real main window for a test, and random texts for property tests.
#include "window_fixture.h"

#include "io/windows1252.h"

#include <QSignalSpy>

#include <array>
#include <cstdio>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"';
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        char escaped[8];
        if (unit >= 0x20 && unit < 0x7F && unit != u'\\') {
            *out << static_cast<char>(unit);
        } else {
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            *out << escaped;
        }
    }
    *out << '"';
}

namespace velmor::ui::test {

void WindowTest::choose(const QString& item)
{
    child(item).trigger();
    if (window.isCommandRunning()) waitForCommand();
}

void WindowTest::waitForCommand()
{
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    ASSERT_TRUE(finished.wait(30000)) << "the command did not finish";
}

QString allWindows1252Characters()
{
    QByteArray bytes(256, '\0');
    for (int byte = 0; byte < 256; ++byte) bytes[byte] = static_cast<char>(byte);
    return io::fromWindows1252(bytes);
}

QString trickyText(std::mt19937& rng, qsizetype length)
{
    static const std::array<QStringView, 12> pieces{u"\r\n", u"\n", u"\r", u"\r\r\n", u"\n\r", u"\u2028",
                                                    u"\u2029", QStringView(u"\0", 1), u"\t", u"\u00A0", u"\"", u"\uFFFC"};
    static const QString all = allWindows1252Characters();
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() * 3);
    std::uniform_int_distribution<qsizetype> character(0, all.size() - 1);
    QString text;
    while (text.size() < length) {
        const std::size_t pick = piece(rng);
        text += pick < pieces.size() ? pieces[pick] : QStringView(all.constData() + character(rng), 1);
    }
    return text;
}

QString printableText(std::mt19937& rng, qsizetype length)
{
    std::uniform_int_distribution<int> character(0x20, 0x7E);
    QString text;
    for (qsizetype i = 0; i < length; ++i) text += QChar(character(rng));
    return text;
}

}  // namespace velmor::ui::test

// The Windows-1252 codec and the conversion of "|"-separated file types.
#include "io/file_filter.h"
#include "io/windows1252.h"

#include <QFileDialog>
#include <QFileSystemModel>

#include <gtest/gtest.h>

namespace velmor::io {
namespace {

TEST(Windows1252, MapsTheByteValuesOneToOneOntoTheTableCharacters)
{
    int encodable = 0;
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const int byte = windows1252Byte(static_cast<char16_t>(code));
        if (byte < 0) continue;
        ++encodable;
        EXPECT_EQ(windows1252Char(static_cast<unsigned char>(byte)), code);
    }
    EXPECT_EQ(encodable, 256);
    const QString high = fromWindows1252("\x7F\x80\x81\x8D\x8F\x90\x99\x9D\x9F\xA3\xFF");
    EXPECT_EQ(high, QStringLiteral("\u007F\u20AC\u0081\u008D\u008F\u0090\u2122\u009D\u0178\u00A3\u00FF"));
}

// The patterns QFileDialog itself takes from a name filter.
QStringList patternsListed(const QString& nameFilter)
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({nameFilter});
    return dialog.findChild<QFileSystemModel*>()->nameFilters();
}

TEST(FileFilter, GivesOneNameFilterPerFileTypeWithOrWithoutTheFinalBar)
{
    const QStringList expected{"Text Files (*.txt)", "All files (*)"};
    EXPECT_EQ(toNameFilters(u"Text Files (*.txt)|*.txt|All files (*.*)|*.*"), expected);
    EXPECT_EQ(toNameFilters(u"Text Files (*.txt)|*.txt|All files (*.*)|*.*|"), expected);
    EXPECT_EQ(toNameFilters(u"Notes|*.txt; *.md"), QStringList{"Notes (*.txt *.md)"});
    EXPECT_EQ(patternsListed(toNameFilters(u"Notes|*.txt; *.md")[0]), (QStringList{"*.txt", "*.md"}));
    EXPECT_EQ(patternsListed(toNameFilters(u"Notes (*.txt)|*.md")[0]), QStringList{"*.md"});
    // As in the Windows dialogs, the list ends at an empty field.
    EXPECT_EQ(toNameFilters(u"A|*.a||B|*.b"), QStringList{"A (*.a)"});
    EXPECT_EQ(toNameFilters(u"A|*.a|B"), QStringList{"A (*.a)"});
}

}  // namespace
}  // namespace velmor::io

// "|"-separated file types to QFileDialog name filters.
#include "io/file_commands.h"
#include "io/file_filter.h"

#include <QFileDialog>
#include <QFileSystemModel>

#include <gtest/gtest.h>

namespace velmor::io {
namespace {

// The patterns QFileDialog itself takes from a name filter.
QStringList patternsQtUses(const QString& nameFilter)
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({nameFilter});
    dialog.selectNameFilter(nameFilter);
    const auto* model = dialog.findChild<QFileSystemModel*>();
    return model ? model->nameFilters() : QStringList{QStringLiteral("<no model>")};
}

TEST(FileFilter, CommandFiltersBecomeOneNameFilterPerFileType)
{
    EXPECT_EQ(toNameFilters(u"Text Files (*.txt)|*.txt|All files (*.*)|*.*"),
              (QStringList{"Text Files (*.txt)", "All files (*)"}));
    EXPECT_EQ(toNameFilters(u"Files (*.*)|*.*"), QStringList{"Files (*)"});
    EXPECT_EQ(toNameFilters(u"Txt Files (*.txt)|*.txt"), QStringList{"Txt Files (*.txt)"});
}

TEST(FileFilter, TrailingBarGivesTheSameList)
{
    for (const TextKind kind : {TextKind::Plain, TextKind::Encrypted}) {
        for (const QString& filter : {openDialogTexts(kind).filter, saveDialogTexts(kind).filter}) {
            ASSERT_FALSE(filter.endsWith(u'|'));
            EXPECT_EQ(toNameFilters(filter), toNameFilters(filter + u'|')) << filter.toStdString();
        }
    }
}

TEST(FileFilter, PatternFieldDecidesWhatIsListed)
{
    EXPECT_EQ(toNameFilters(u"Plain text|*.txt"), QStringList{"Plain text (*.txt)"});
    EXPECT_EQ(toNameFilters(u"Notes|*.txt;*.md"), QStringList{"Notes (*.txt *.md)"});
    EXPECT_EQ(toNameFilters(u"Notes (*.txt)|*.md"), QStringList{"Notes (*.txt) (*.md)"});

    EXPECT_EQ(patternsQtUses(toNameFilters(u"Plain text|*.txt").first()), QStringList{"*.txt"});
    EXPECT_EQ(patternsQtUses(toNameFilters(u"Notes|*.txt; *.md").first()), (QStringList{"*.txt", "*.md"}));
    EXPECT_EQ(patternsQtUses(toNameFilters(u"Notes (*.txt)|*.md").first()), QStringList{"*.md"});
    // "*.*" lists every file, also one without a dot in its name.
    EXPECT_EQ(patternsQtUses(toNameFilters(u"All files (*.*)|*.*").first()), QStringList{"*"});
}

TEST(FileFilter, ListEndsAtAnEmptyFieldOrADescriptionWithoutPattern)
{
    EXPECT_TRUE(toNameFilters(u"").isEmpty());
    EXPECT_TRUE(toNameFilters(u"|").isEmpty());
    EXPECT_TRUE(toNameFilters(u"Text Files (*.txt)").isEmpty());
    EXPECT_EQ(toNameFilters(u"A|*.a||B|*.b"), QStringList{"A (*.a)"});
    EXPECT_EQ(toNameFilters(u"A|*.a|B"), QStringList{"A (*.a)"});
    EXPECT_EQ(toNameFilters(u"A|*.a|B| ; |C|*.c"), QStringList{"A (*.a)"});
}

}  // namespace
}  // namespace velmor::io

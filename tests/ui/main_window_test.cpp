// The window as it starts, its menus, the password box under every wheel
// count, its mask and the tab order.
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

namespace velmor::ui::test {
namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, StartsEmptyCentredWithTwentyWheelsAndAMaskedPassword)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" The Velmor Machine"));
    EXPECT_EQ(window.windowIcon().availableSizes().value(0), QSize(32, 32));
    EXPECT_EQ(window.centralWidget()->size(), QSize(681, 537));  // 10215 x 8055 twips
    // 6360, 120 twips from the client area's corner, which is below the menu bar.
    EXPECT_EQ(password().mapTo(&window, QPoint()), QPoint(424, 8 + window.menuBar()->height()));
    const QPoint offCentre = window.geometry().center() - window.screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);

    EXPECT_TRUE(input().text().isEmpty() && output().text().isEmpty() && password().text().isEmpty());
    EXPECT_EQ(status().text(), QString());
    EXPECT_EQ(child<QMenu>(QStringLiteral("EW")).title(), QStringLiteral("Encryption Wheels 20"));
    EXPECT_EQ(window.wheelState().wheelCount(), 20);
    EXPECT_EQ(password().maxLength(), 20);
    QTest::keyClicks(&password(), QStringLiteral("s3cr\u00A3t"));
    EXPECT_EQ(password().displayText(), QStringLiteral("******"));
    for (const auto& [item, shown] : {std::pair{"PassS", "s3cr\u00A3t"}, {"PassS", "s3cr\u00A3t"},
                                      {"PassH", "******"}, {"PassH", "******"}}) {
        choose(QString::fromLatin1(item));
        EXPECT_EQ(password().displayText(), QString::fromUtf8(shown)) << item;
    }
    EXPECT_EQ(password().text(), QStringLiteral("s3cr\u00A3t"));
}

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrderWithoutShortcuts)
{
    // "name=caption", or a separator's name alone.
    QStringList wheels{QStringLiteral("L4")};
    for (int count = 4; count <= 30; count += 2)
        wheels << QStringLiteral("EW%1=Encryption Wheels %2").arg(count).arg(count, 2, 10, QLatin1Char('0'));
    wheels << QStringLiteral("L5");
    const QList<QStringList> expected{
        {"Fi=File", "L6", "Ne=New", "L11", "Op=Open Unencrypted TexT", "SAs=Save As Unencrypted TexT", "L7",
         "OET=Open Encrypted TexT", "SAET=Save As Encrypted TexT", "L13", "CToC=Copy To ClipBoard Unencrypted TexT",
         "CTCET=Copy To ClipBoard Encrypted TexT", "L10", "IF=InFo", "L8", "EXI=Exit", "L9"},
        {"EnDe=Encrypt/Decrypt", "L1", "EN=Encrypt 1", "EN3=Encrypt 3", "EN6=Encrypt 6", "EN9=Encrypt 9",
         "EN12=Encrypt 12", "L2", "DE=Decrypt 1", "DE3=Decrypt 3", "DE6=Decrypt 6", "DE9=Decrypt 9",
         "DE12=Decrypt 12", "L3"},
        QStringList{"EW=Encryption Wheels 20"} + wheels,
        {"PasW=PassWord", "L12", "PassS=PassWord Show", "PassH=PassWord Hide", "L14"},
    };
    const auto describe = [](const QAction& action) {
        return action.isSeparator() ? action.objectName() : action.objectName() + u'=' + action.text();
    };
    QList<QStringList> actual;
    for (const QAction* title : window.menuBar()->actions()) {
        QStringList menu{title->menu()->objectName() + u'=' + title->menu()->title()};
        for (const QAction* item : title->menu()->actions()) {
            menu << describe(*item);
            EXPECT_TRUE(item->shortcut().isEmpty() && !item->isCheckable() && item->isEnabled()) << describe(*item).toStdString();
        }
        actual << menu;
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(MainWindowTest, EachWheelCountSetsThePasswordLimitForTypingAndPastingAndEmptiesIt)
{
    const QString longText = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGH");
    const auto checkLimit = [&](int limit) {
        password().clear();
        QTest::keyClicks(&password(), longText);
        EXPECT_EQ(password().text(), longText.left(limit));
        password().clear();
        QApplication::clipboard()->setText(longText);
        password().paste();
        EXPECT_EQ(password().text(), longText.left(limit));
    };
    checkLimit(20);
    input().setText(QStringLiteral("plain\r\n"));
    output().setText(QStringLiteral("cipher\n"));
    for (int count = 4; count <= 30; count += 2) {
        choose(QStringLiteral("EW%1").arg(count));
        EXPECT_EQ(password().text(), QString()) << count;
        EXPECT_EQ(child<QMenu>(QStringLiteral("EW")).title(),
                  QStringLiteral("Encryption Wheels %1").arg(count, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(window.wheelState().wheelCount(), count);
        checkLimit(count);
    }
    EXPECT_EQ(input().text(), QStringLiteral("plain\r\n"));
    EXPECT_EQ(output().text(), QStringLiteral("cipher\n"));
}

TEST_F(MainWindowTest, FocusStartsInTheInputBoxAndTabCyclesTheThreeBoxes)
{
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), &input());
    for (QWidget* next : {static_cast<QWidget*>(&output()), static_cast<QWidget*>(&password()),
                          static_cast<QWidget*>(&input())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

}  // namespace
}  // namespace velmor::ui::test

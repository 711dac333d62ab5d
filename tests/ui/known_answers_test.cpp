// SPDX-License-Identifier: MIT
// The window against the published known answers, through its own commands:
// the wheel count and the pass count from the menus, the password in its box.
#include "window_fixture.h"

#include "io/windows1252.h"
#include "known_answers.h"

namespace velmor::ui::test {
namespace {

using KnownAnswersTest = WindowTest;

TEST_F(KnownAnswersTest, WindowGivesEveryRow)
{
    for (const velmor::test::KnownAnswer& row : velmor::test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        const bool encrypt = row.direction == Direction::Encrypt;
        choose(QStringLiteral("EW%1").arg(row.wheels));
        const std::u16string password = row.passwordText();
        this->password().setText(QString::fromStdU16String(password));
        ASSERT_EQ(this->password().text().toStdU16String(), password);
        (encrypt ? input() : output()).setText(row.inputText<QString>());
        const QString passes = row.passes == 1 ? QString() : QString::number(row.passes);
        choose((encrypt ? QStringLiteral("EN") : QStringLiteral("DE")) + passes);
        const QString result = (encrypt ? output() : input()).text();
        EXPECT_TRUE(velmor::test::sameText(result, io::fromWindows1252(QByteArrayView(row.output))));
    }
}

}  // namespace
}  // namespace velmor::ui::test

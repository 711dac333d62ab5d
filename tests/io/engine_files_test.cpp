// Files through the commands and the cipher: a saved cipher text is exactly
// what the cipher makes of the file's bytes, and decrypting gives them back.
#include "engine/cipher.h"
#include "files.h"
#include "io/file_commands.h"
#include "io_doubles.h"

#include <random>
#include <span>

namespace velmor::io {
namespace {

// What the window's encrypt and decrypt commands do with the boxes.
void runCipher(TextHolder& from, TextHolder& to, const Cipher& cipher)
{
    QString text = from.text();
    cipher.apply(std::span(reinterpret_cast<char16_t*>(text.data()), text.size()), 0);
    to.setText(text);
    from.setText({});
}

TEST(EngineFiles, RoundTripsEveryByteAndMatchesTheCipherOnTheRawBytes)
{
    QByteArray everyByte(256 * 20, Qt::Uninitialized);
    std::mt19937 random(11);
    for (qsizetype i = 0; i < everyByte.size(); ++i) everyByte[i] = static_cast<char>(i < 256 ? i : random());
    const QByteArray samples[] = {"LF\n\"q\" \xA3\xAC\n", "CR LF\r\n", "lone\rCR", "mixed\r\n\n\r\r\n\r",
                                  QByteArray("NUL\0", 4), everyByte};
    QTemporaryDir folder;
    const QString plain = folder.filePath("plain"), cipher = folder.filePath("cipher"), again = folder.filePath("again");
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands(nullptr, dialogs, messages);

    for (const int wheels : {4, 20, 30}) {
        for (const int passes : {1, 3, 12}) {
            const Cipher encrypt = Cipher::forPassword(u"pass word", wheels, passes, Direction::Encrypt);
            const Cipher decrypt = Cipher::forPassword(u"pass word", wheels, passes, Direction::Decrypt);
            for (const QByteArray& original : samples) {
                SCOPED_TRACE(::testing::Message() << wheels << " wheels, " << passes << " passes");
                testing::writeBytes(plain, original);
                testing::StringHolder input, output;
                dialogs.answers = {plain, cipher, cipher, again};

                ASSERT_TRUE(commands.openInto(input, TextKind::Plain));
                runCipher(input, output, encrypt);
                ASSERT_TRUE(commands.saveFrom(output, TextKind::Encrypted));
                QByteArray expected = original;
                encrypt.apply(std::span(expected.data(), expected.size()), 0);
                EXPECT_EQ(testing::readBytes(cipher), expected);

                ASSERT_TRUE(commands.openInto(output, TextKind::Encrypted));
                runCipher(output, input, decrypt);
                ASSERT_TRUE(commands.saveFrom(input, TextKind::Plain));
                EXPECT_EQ(testing::readBytes(again), original);
            }
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace velmor::io

// Files through the commands and the cipher: what is saved is exactly what
// the cipher makes of the file's bytes, and a round trip gives the bytes back.
#include "engine/cipher.h"
#include "io/file_commands.h"
#include "io_doubles.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <span>

namespace velmor::io {
namespace {

using testing::readBytes;
using testing::RecordingMessages;
using testing::ScriptedFileDialogs;
using testing::StringHolder;
using testing::TempFolder;
using testing::writeBytes;

// What the window's encrypt and decrypt commands do with the boxes.
void runCipher(TextHolder& from, TextHolder& to, const Cipher& cipher)
{
    QString text = from.text();
    cipher.apply(std::span<char16_t>(reinterpret_cast<char16_t*>(text.data()), text.size()), 0);
    to.setText(text);
    from.setText(QString());
}

QByteArray cipheredBytes(QByteArray bytes, const Cipher& cipher)
{
    cipher.apply(std::span<char>(bytes.data(), bytes.size()), 0);
    return bytes;
}

TEST(EngineFiles, EncryptedSaveMatchesTheCipherOnTheFileBytesAndDecryptsBackExactly)
{
    using namespace Qt::StringLiterals;
    const QByteArray samples[] = {
        "Plain words, \"quoted\" \xA3 and \xAC.\nLF\nendings\n"_ba,
        "CR LF\r\nendings\r\n"_ba,
        "lone\rCR\rendings"_ba,
        "mixed\r\nline\nendings\r\r\n\n"_ba,
        QByteArray("NUL\0bytes\0\r\n", 12),
        testing::allByteValues() + testing::allByteValues(),
        testing::pseudoRandomBytes(5000, 11),
    };
    TempFolder folder;
    const QString plainPath = folder.path("plain.txt");
    const QString cipherPath = folder.path("cipher.txt");
    const QString againPath = folder.path("again.txt");
    ScriptedFileDialogs dialogs;
    RecordingMessages messages;
    FileCommands commands(nullptr, dialogs, messages);

    for (const int wheels : {4, 20, 30}) {
        for (const int passes : {1, 3, 12}) {
            const Cipher encrypt = Cipher::forPassword(u"pass word", wheels, passes, Direction::Encrypt);
            const Cipher decrypt = Cipher::forPassword(u"pass word", wheels, passes, Direction::Decrypt);
            for (const QByteArray& original : samples) {
                SCOPED_TRACE(::testing::Message() << wheels << " wheels, " << passes << " passes, "
                                                  << original.size() << " bytes");
                writeBytes(plainPath, original);
                StringHolder input, output;
                dialogs.answers = {plainPath, cipherPath, cipherPath, againPath};

                ASSERT_TRUE(commands.openInto(input, TextKind::Plain));
                runCipher(input, output, encrypt);
                ASSERT_TRUE(commands.saveFrom(output, TextKind::Encrypted));
                EXPECT_EQ(readBytes(cipherPath), cipheredBytes(original, encrypt));

                commands.newText(input, output);
                ASSERT_TRUE(commands.openInto(output, TextKind::Encrypted));
                runCipher(output, input, decrypt);
                ASSERT_TRUE(commands.saveFrom(input, TextKind::Plain));
                EXPECT_EQ(readBytes(againPath), original);
            }
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace velmor::io

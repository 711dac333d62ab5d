// SPDX-License-Identifier: MIT
// Opens input and output, gets the password and streams the text through
// the cipher.
#include "cipher_command.h"

#include "failure.h"
#include "input_file.h"
#include "output_target.h"
#include "password.h"
#include "progress_bar.h"
#include "stream_cipher.h"

#include "engine/keying.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace velmor::cli {
namespace {

std::string listed(const std::vector<std::size_t>& numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

// Such passwords work, the same way as in the window, but are weaker than
// they look, so the user hears of it.
void warnAboutWeakKeying(std::u16string_view password)
{
    if (password.empty()) {
        std::fputs("velmor: warning: the password is empty, so no wheel is turned\n", stderr);
        return;
    }
    const auto off = positionsOffTheWheels(password);
    if (off.empty()) return;
    const bool one = off.size() == 1;
    const std::string message = "velmor: warning: password character" + std::string(one ? " " : "s ") + listed(off) +
                                (one ? " is" : " are") + " on no wheel, so wheel" + (one ? " " : "s ") + listed(off) +
                                (one ? " stays" : " stay") + " unrotated\n";
    std::fputs(message.c_str(), stderr);
}

// The wheels keyed by the password. The password's buffers are wiped as soon
// as the wheels are keyed; the keyed wheels tell no more of it than the
// wheels of any cipher tell of their key.
WheelSet keyedByPassword(const CipherOptions& options, Direction direction, const Input& input)
{
    const Secret<char16_t> password =
        decodePassword(readPassword(options.password, direction == Direction::Encrypt, input.file.get()).view());
    requireFitsWheels(password.view(), options.wheelCount);
    warnAboutWeakKeying(password.view());
    return keyedWheels(builtinWheels(), password.view());
}

// A regular file is read at offsets by every worker at once; anything else
// is read in turns, and so are files that claim to be empty, as those under
// /proc do whatever they hold.
StreamInput streamInputOf(const Input& input)
{
    if (input.size.value_or(0) == 0)
        return [&input](std::span<char> buffer) { return input.file.readFull(buffer); };
    const auto readAt = [&input](std::span<char> buffer, std::uint64_t offset) {
        input.file.readAt(buffer, input.start + offset);
    };
    return PositionalInput{readAt, *input.size};
}

}  // namespace

void runCipherCommand(Direction direction, const CipherOptions& options)
{
    const Input input = openInput(options.input);
    // Checked before the password is asked for, but created only after it
    // is given, so that a process killed at the prompt leaves no file.
    OutputTarget::check(options.output);
    const CipherRecipe recipe{keyedByPassword(options, direction, input), options.wheelCount, options.passes, direction};
    OutputTarget output(options.output);

    StreamLayout layout;
    layout.threads = std::max(1U, std::thread::hardware_concurrency());
    const StreamInput streamInput = streamInputOf(input);
    {
        ProgressBar progress(input.size, ProgressBar::standardErrorTakesABar());
        const std::uint64_t ciphered =
            cipherStream(streamInput, [&](std::span<const char> bytes) { output.write(bytes); }, recipe, layout,
                         [&](std::uint64_t done) { progress.update(done); });
        // Leave a shared standard input where reading it in order would.
        if (std::holds_alternative<PositionalInput>(streamInput)) input.file.moveTo(input.start + ciphered);
    }
    output.commit();
}

}  // namespace velmor::cli

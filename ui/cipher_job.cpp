// SPDX-License-Identifier: MIT
// One encrypt or decrypt command's work, on copies of everything it reads.
#include "cipher_job.h"

#include "engine/passes.h"

#include <exception>
#include <span>
#include <string_view>

namespace velmor::ui {

CipherOutcome runCipherJob(CipherJob job, unsigned threads) noexcept
{
    CipherOutcome outcome{{}, job.state, {}};
    try {
        QString text = std::move(job.text);
        // QChar is one UTF-16 code unit, laid out as char16_t.
        const std::u16string_view password(reinterpret_cast<const char16_t*>(job.password.utf16()),
                                           static_cast<std::size_t>(job.password.size()));
        const std::span<char16_t> units(reinterpret_cast<char16_t*>(text.data()), static_cast<std::size_t>(text.size()));
        WheelState state = job.state;
        runPasses(state, job.direction, password, job.passes, units, threads);
        outcome.text = std::move(text);
        outcome.state = std::move(state);
    } catch (const std::exception& error) {
        outcome.failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        outcome.failure = QStringLiteral("unknown error");
    }
    return outcome;
}

}  // namespace velmor::ui

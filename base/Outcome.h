#pragma once

#include <QString>

#include <optional>
#include <utility>

// What an action that can fail and has nothing else to return gives back: done,
// or failed with the reason, a sentence for the user ("The file does not
// exist."). Callers say which they ask: `if (outcome.failed()) report(outcome.reason())`.
class [[nodiscard]] Outcome
{
public:
    static Outcome done() { return Outcome(); }
    static Outcome failure(QString reason) { return Outcome(std::move(reason)); }

    bool isDone() const { return !m_reason.has_value(); }
    bool failed() const { return m_reason.has_value(); }
    // Why it failed; empty when it was done.
    QString reason() const { return m_reason.value_or(QString()); }

private:
    Outcome() = default;
    explicit Outcome(QString reason) : m_reason(std::move(reason)) {}

    std::optional<QString> m_reason;
};
